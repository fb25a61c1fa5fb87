#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "jobs/settings.h"
#include "support/counted_bitmap.h"
#include "ui/color_edit_dialog.h"
#include "ui/dialog_messages.h"
#include "ui/main_window.h"
#include "ui/output_dir_dialog.h"
#include "ui/palette_save_dialog.h"

namespace tintwell {
namespace {

// An 8-bit bitmap of one row that uses each of `colors` (0xRRGGBB) on `counts` pixels.
QByteArray Bitmap(const std::vector<std::uint32_t>& colors, const std::vector<int>& counts) {
    const std::vector<std::uint8_t> bytes = test::CountedBitmap(colors, counts);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

std::uint32_t U32(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

// Answers every question with Yes and keeps what was shown.
class YesMessages final : public DialogMessages {
  public:
    std::vector<Msg> seen;
    void Show(QWidget*, Msg msg, const QString&) override { seen.push_back(msg); }
    bool AskYesNo(QWidget*, Msg msg, bool) override {
        seen.push_back(msg);
        return true;
    }
};

// Runs `act` on the modal dialog of type T once it is open.
template <typename T>
void WhenOpen(std::function<void(T&)> act) {
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr);
        act(*qobject_cast<T*>(QApplication::activeModalWidget()));
    });
}

}  // namespace

class WholeRunTest : public QObject {
    Q_OBJECT

  private slots:
    // From dropped files to a folder of remapped bitmaps with the mouse: sort, merge two
    // colors, edit one, save the palette, write into a new folder; the files read back
    // have the list as their palette and every pixel on its color's row.
    void dropSortMergeEditSaveAndOutput() {
        QTemporaryDir dir;
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write("a.bmp", Bitmap({0x102030, 0x405060, 0x708090}, {1, 2, 3}));
        write("b.bmp", Bitmap({0x405060, 0xA0B0C0}, {4, 5}));
        YesMessages messages;
        DialogMessages::SetCurrent(&messages);
        Settings settings;
        settings.outDir = dir.path().toStdString();
        MainWindow window(settings, WorkspaceOptions{dir.filePath("palettes").toStdString(),
                                                     RunMode::Threaded, 2});
        window.view().SetMessagePresenter([](Msg msg, const QString& text) {
            QFAIL(qPrintable(QStringLiteral("message %1: %2").arg(int(msg)).arg(text)));
        });
        window.Initialise(QRect(0, 0, 1024, 768));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Workspace& ws = window.workspace();
        QDir().mkpath(dir.filePath("palettes"));

        QVERIFY(window.DropFiles({dir.filePath("a.bmp"), dir.filePath("b.bmp")}));
        QTRY_VERIFY_WITH_TIMEOUT(!ws.Busy(), 20000);
        QCOMPARE(ws.ColorCount(), 4);

        QTreeView* list = window.ColorList();
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        std::vector<std::int64_t> counts;
        for (int p = 0; p < ws.ColorCount(); ++p)
            counts.push_back(ws.Table().AtPosition(p).pixelCount);
        QVERIFY(std::is_sorted(counts.begin(), counts.end()) ||
                std::is_sorted(counts.rbegin(), counts.rend()));
        const auto rowAt = [&](int row) {
            return list->visualRect(list->model()->index(row, 0)).center();
        };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowAt(2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowAt(3));
        QVERIFY(window.Button(ControlId::Merge)->isEnabled());
        const int target = ws.Table().ListOrder(3);
        const std::int64_t pixels =
            ws.Table().AtPosition(2).pixelCount + ws.Table().AtPosition(3).pixelCount;
        QTest::mouseClick(window.Button(ControlId::Merge), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!ws.Busy(), 20000);
        QCOMPARE(ws.ColorCount(), 3);
        QCOMPARE(ws.Table().Slot(target).pixelCount, pixels);

        WhenOpen<ColorEditDialog>([](ColorEditDialog& dialog) {
            dialog.SetChooserColor(0x0000FF);  // red 255
            QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        // A double click as the window system delivers it: a click, then the second press
        // as a double click, then its release.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowAt(0));
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, rowAt(0),
                                list->viewport()->mapToGlobal(rowAt(0)), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &doubleClick);
        QCOMPARE(ColorRefOf(ws.Table().AtPosition(0)), ColorRef{0x0000FF});

        WhenOpen<PaletteSaveDialog>([](PaletteSaveDialog& dialog) {
            QTest::keyClicks(dialog.findChild<QLineEdit*>("edit1044"), "whole");
            QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        QTest::mouseClick(window.Button(ControlId::SavePalette), Qt::LeftButton);
        QFile act(dir.filePath("palettes/whole.act"));
        QVERIFY(act.open(QIODevice::ReadOnly));
        const QByteArray actBytes = act.readAll();
        QCOMPARE(actBytes.size(), 768);
        QCOMPARE(ws.Pal256Name(), std::string("whole"));

        const QString out = dir.filePath("out/new");
        WhenOpen<OutputDirDialog>([out](OutputDirDialog& dialog) {
            dialog.findChild<QLineEdit*>("edit1027")->setText(out);
            QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        QTest::mouseClick(window.Button(ControlId::Output), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!ws.Busy(), 20000);
        ws.WaitIdle();
        QCOMPARE(messages.seen, std::vector<Msg>{Msg::CreateDirectoryQuestion});
        // Kept as the system spells the folder: C:\...\out\new on Windows.
        QCOMPARE(QString::fromStdString(ws.OutDir()), QDir::toNativeSeparators(out));

        for (int f = 0; f < ws.FileCount(); ++f) {
            const FileRecord& record = ws.Files().At(f);
            QFile in(QString::fromStdString(record.path));
            QFile written(out + "/" + QFileInfo(in.fileName()).fileName());
            QVERIFY(in.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
            const QByteArray input = in.readAll();
            const QByteArray output = written.readAll();
            QCOMPARE(U32(output, 28) & 0xFFFF, 8u);  // bits per pixel
            for (int p = 0; p < ws.ColorCount(); ++p) {
                const ColorSlot& slot = ws.Table().AtPosition(p);
                const int at = 54 + 4 * p;
                QCOMPARE(static_cast<std::uint8_t>(output[at + 2]), slot.red);
                QCOMPARE(static_cast<std::uint8_t>(output[at + 1]), slot.green);
                QCOMPARE(static_cast<std::uint8_t>(output[at]), slot.blue);
                QCOMPARE(static_cast<std::uint8_t>(actBytes[3 * p]), slot.red);
            }
            const int width = static_cast<int>(U32(input, 18));
            for (int x = 0; x < width; ++x) {
                const auto index = static_cast<std::uint8_t>(input[int(U32(input, 10)) + x]);
                const auto written8 = static_cast<std::uint8_t>(output[int(U32(output, 10)) + x]);
                QCOMPARE(int(written8), ws.Table().PositionOf(record.indexMap[index]));
            }
        }
        DialogMessages::SetCurrent(nullptr);
    }
};

}  // namespace tintwell

QTEST_MAIN(tintwell::WholeRunTest)
#include "whole_run_test.moc"
