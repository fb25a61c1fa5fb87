#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <memory>

#include "jobs/settings.h"
#include "ui/main_window.h"
#include "ui/preview_window.h"

namespace tintwell {

class PreviewWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MainWindow> window_;
    QStringList messages_;

    Workspace& Ws() { return window_->workspace(); }
    // The main window with `paths` listed.
    void OpenWith(const QStringList& paths) {
        Settings settings;
        settings.outDir = dir_->path().toStdString();
        window_ = std::make_unique<MainWindow>(
            settings, WorkspaceOptions{dir_->filePath(QStringLiteral("palettes")).toStdString(),
                                       RunMode::Threaded, 2});
        window_->view().SetMessagePresenter(
            [this](Msg, const QString& text) { messages_.append(text); });
        window_->Initialise(QRect(0, 0, 1024, 768));
        window_->show();
        QVERIFY(window_->DropFiles(paths));
        QTRY_VERIFY_WITH_TIMEOUT(!Ws().Busy(), 60000);
    }
    // The main window with every sample bitmap listed.
    void OpenWithSamples() {
        QStringList paths;
        for (const QFileInfo& info :
             QDir(QStringLiteral(TINTWELL_SAMPLES_DIR)).entryInfoList({"*.bmp", "*.BMP"}))
            paths.append(info.filePath());
        OpenWith(paths);
        QVERIFY(Ws().FileCount() >= 5);
    }
    // A preview opened on `row`, once its pixels are read.
    PreviewWindow* OpenLoaded(int row) {
        PreviewWindow* preview = window_->OpenPreview(row);
        if (preview == nullptr || !QTest::qWaitFor([&] { return !preview->Loading(); }, 20000))
            return nullptr;
        return preview;
    }
    int RowOf(const QString& name) {
        for (int row = 0; row < Ws().FileCount(); ++row) {
            if (QFileInfo(QString::fromStdString(Ws().Files().At(row).path)).fileName() == name)
                return row;
        }
        return -1;
    }
    // Writes every file into a new folder and reads `name`'s output back.
    QImage Written(const QString& name) {
        const QString out = dir_->filePath(QStringLiteral("out%1").arg(++outputs_));
        QDir().mkpath(out);
        if (Ws().OnOutput(out.toStdString()) != OutputStart::Started) return {};
        if (!QTest::qWaitFor([&] { return !Ws().Busy(); }, 20000)) return {};
        return QImage(QDir(out).filePath(name)).convertToFormat(QImage::Format_RGB32);
    }
    int outputs_ = 0;

    static constexpr int kLargeSide = 16384;
    // A 1-bit bitmap of kLargeSide x kLargeSide (32 MiB): black and white, stored rows
    // alternating black-first and white-first bytes.
    static bool WriteLargeBitmap(const QString& path) {
        constexpr int kStride = kLargeSide / 8;
        QByteArray header(62, '\0');
        const auto put32 = [&](int at, quint32 value) {
            for (int k = 0; k < 4; ++k)
                header[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
        };
        header[0] = 'B';
        header[1] = 'M';
        put32(2, 62 + quint32{kStride} * kLargeSide);
        put32(10, 62);
        put32(14, 40);
        put32(18, kLargeSide);
        put32(22, kLargeSide);
        header[26] = 1;       // planes
        header[28] = 1;       // bits a pixel
        put32(46, 2);         // colors used
        put32(58, 0xFFFFFF);  // entry 1 white, entry 0 black
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(header) != header.size()) return false;
        const QByteArray even(kStride, '\x0F');
        const QByteArray odd(kStride, '\xF0');
        for (int y = 0; y < kLargeSide; ++y) {
            if (out.write(y % 2 == 0 ? even : odd) != kStride) return false;
        }
        return true;
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        messages_.clear();
    }
    void cleanup() { window_.reset(); }

    // The preview shows, pixel for pixel, what the output writes: after the analysis, after
    // a sort by pixel count, after a merge and in 16 entries, in the fixed 16-color mode,
    // for every encoding.
    void previewEqualsTheWrittenFile_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"hero.bmp", "coin_24.bmp", "slime-4bit.bmp", "Tiles.BMP", "menu panel.bmp"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void previewEqualsTheWrittenFile() {
        QFETCH(QString, name);
        OpenWithSamples();
        const int row = RowOf(name);
        QVERIFY(row >= 0);
        PreviewWindow* preview = OpenLoaded(row);
        QVERIFY(preview != nullptr);
        QCOMPARE(preview->windowTitle(), name);
        QCOMPARE(preview->Image(), Written(name));

        QVERIFY(Ws().OnColorColumnClick(1, {}));
        QTRY_COMPARE(preview->Image(), Written(name));

        // Every color but the first merged into it, so the image is one color throughout.
        Selection all;
        for (int p = 0; p < Ws().ColorCount(); ++p)
            all.rows.push_back(p);
        all.focus = 0;
        QVERIFY(Ws().OnMerge(all));
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(Ws().ColorCount(), 1);
        Ws().OnToggleOutputDepth();
        QTRY_COMPARE(preview->Image(), Written(name));
        QCOMPARE(
            preview->Image().pixel(0, 0),
            preview->Image().pixel(preview->Image().width() - 1, preview->Image().height() - 1));

        // Another mode reads every file again; no preview opens while that job runs.
        QVERIFY(Ws().OnPaletteSettings(PaletteChoice{PaletteMode::Fixed16, {}, {}, {}}));
        QVERIFY(Ws().Busy());
        QVERIFY(window_->OpenPreview(row) == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!Ws().Busy(), 20000);
        QTRY_COMPARE(preview->Image(), Written(name));
        QVERIFY(messages_.isEmpty());
    }

    // A 16384 x 16384 bitmap is read while the event loop turns: a timer ticks while it
    // loads, a second double click raises the window that loads rather than reading again,
    // and the preview opens at 1x in at most half the free screen, scrolled. A preview closed
    // while it loads, or whose file is removed meanwhile, goes without its pixels.
    void largeBitmapLoadsWhileTheWindowRuns() {
        const QString path = dir_->filePath(QStringLiteral("large.bmp"));
        QVERIFY(WriteLargeBitmap(path));
        OpenWith({path});
        QCOMPARE(Ws().FileCount(), 1);

        int ticksWhileLoading = 0;
        PreviewWindow* preview = nullptr;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (preview != nullptr && preview->Loading()) ++ticksWhileLoading;
        });
        ticker.start(0);
        preview = window_->OpenPreview(0);
        QVERIFY(preview != nullptr);
        QVERIFY(preview->Loading());
        QCOMPARE(window_->OpenPreview(0), preview);
        QCOMPARE(window_->Previews().size(), std::size_t{1});
        QTRY_VERIFY_WITH_TIMEOUT(!preview->Loading(), 120000);
        ticker.stop();
        QVERIFY(ticksWhileLoading > 0);
        QVERIFY(messages_.isEmpty());

        QCOMPARE(preview->Zoom(), 1);
        QCOMPARE(preview->findChild<PreviewCanvas*>()->size(), QSize(kLargeSide, kLargeSide));
        const QRect free = preview->screen()->availableGeometry();
        QVERIFY(preview->width() <= free.width() / 2);
        QVERIFY(preview->height() <= free.height() / 2);
        const auto* scroll = preview->findChild<QScrollArea*>();
        QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
        // Top row first: the last stored row (white, black) is the top one.
        QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), preview->mapToGlobal(QPointF(0, 0)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(preview->findChild<PreviewCanvas*>(), &move);
        QVERIFY(preview->StatusText().contains(QStringLiteral("255,255,255")));
        preview->close();

        preview = window_->OpenPreview(0);
        QVERIFY(preview->Loading());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(preview, &escape);
        QVERIFY(window_->Previews().empty());
        preview = window_->OpenPreview(0);
        QVERIFY(preview->Loading());
        QVERIFY(Ws().OnDeleteFiles({0}));
        QTRY_VERIFY(window_->Previews().empty());
        QTest::qWait(50);
        QVERIFY(messages_.isEmpty());
    }

    // A file rewritten after its analysis closes its preview with the message that says so.
    void changedFileClosesItsPreview() {
        const QString path = dir_->filePath(QStringLiteral("hero.bmp"));
        QVERIFY(QFile::copy(QStringLiteral(TINTWELL_SAMPLES_DIR "/hero.bmp"), path));
        OpenWith({path});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() - 1));
        QVERIFY(file.putChar('\x7F'));
        file.close();
        QVERIFY(window_->OpenPreview(0) != nullptr);
        QTRY_VERIFY(window_->Previews().empty());
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_.front().contains(QStringLiteral("hero.bmp")));
    }

    // A color edit shows at once and Cancel takes it back; the toggle shows the file's own
    // colors; a second double click raises the same window; a removed file closes its
    // preview; Escape closes one, the main window's close all.
    void previewFollowsEditsAndTheFileList() {
        OpenWithSamples();
        const int row = RowOf(QStringLiteral("hero.bmp"));
        // A double click as the window system delivers it: a click, then the second press.
        QTreeView* files = window_->FileList();
        const QPoint rowAt = files->visualRect(files->model()->index(row, 0)).center();
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, rowAt);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, rowAt,
                                files->viewport()->mapToGlobal(rowAt), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(files->viewport(), &doubleClick);
        QCOMPARE(window_->Previews().size(), std::size_t{1});
        PreviewWindow* preview = window_->Previews().front();
        QCOMPARE(preview->windowTitle(), QStringLiteral("hero.bmp"));
        QTRY_VERIFY(!preview->Loading());
        // The 32 x 32 sprite opens at the largest whole zoom that fits half the free screen,
        // all of it in view.
        const QRect free = preview->screen()->availableGeometry();
        QCOMPARE(preview->Zoom(), std::min({free.width() / 64, free.height() / 64, 16}));
        const QWidget* viewport = preview->findChild<QScrollArea*>()->viewport();
        QTRY_COMPARE(viewport->size().expandedTo(QSize(32, 32) * preview->Zoom()),
                     viewport->size());
        QCOMPARE(window_->OpenPreview(row), preview);
        const QImage before = preview->Image();
        const QRgb first = before.pixel(0, 0);
        int position = 0;
        while (qRgb(Ws().Table().AtPosition(position).red, Ws().Table().AtPosition(position).green,
                    Ws().Table().AtPosition(position).blue) != first)
            ++position;
        std::optional<ColorEditSession> session = Ws().OnColorListDblClk({{position}, position});
        QVERIFY(session);
        QVERIFY(session->Apply(255, 0, 0));
        QTRY_COMPARE(preview->Image().pixel(0, 0), qRgb(255, 0, 0));
        session->Cancel();
        QTRY_COMPARE(preview->Image(), before);

        // Pointing: the pixel's position, file color and entry; a click selects its row.
        auto* canvas = preview->findChild<PreviewCanvas*>();
        preview->SetZoom(3);
        const QPoint at(7 * 3 + 1, 5 * 3 + 2);
        QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        const QRgb file = QImage(QStringLiteral(TINTWELL_SAMPLES_DIR "/hero.bmp")).pixel(7, 5);
        int entry = 0;
        while (qRgb(Ws().Table().AtPosition(entry).red, Ws().Table().AtPosition(entry).green,
                    Ws().Table().AtPosition(entry).blue) != before.pixel(7, 5))
            ++entry;
        QTRY_COMPARE(preview->StatusText(),
                     QStringLiteral("(7, 5)  元の色 %1,%2,%3  パレット番号 %4")
                         .arg(qRed(file))
                         .arg(qGreen(file))
                         .arg(qBlue(file))
                         .arg(entry));
        QTest::mouseClick(canvas, Qt::LeftButton, {}, at);
        QCOMPARE(window_->ColorList()->currentIndex().row(), entry);
        QCOMPARE(window_->ColorList()->selectionModel()->selectedRows().size(), 1);
        // The selected color's pixels keep their color; the others are dimmed.
        QPoint unmarked(0, 0);
        for (int n = 0; before.pixel(unmarked) == before.pixel(7, 5); ++n)
            unmarked = QPoint(n % before.width(), n / before.width());
        QTRY_VERIFY(preview->ShownImage().pixel(unmarked) != before.pixel(unmarked));
        QCOMPARE(preview->ShownImage().pixel(7, 5), before.pixel(7, 5));
        QCOMPARE(preview->Image(), before);

        auto* original = preview->findChild<QCheckBox*>(QStringLiteral("originalToggle"));
        original->setChecked(true);
        QCOMPARE(preview->Image(), QImage(QStringLiteral(TINTWELL_SAMPLES_DIR "/hero.bmp"))
                                       .convertToFormat(QImage::Format_RGB32));
        original->setChecked(false);

        PreviewWindow* other = OpenLoaded(RowOf(QStringLiteral("Tiles.BMP")));
        QVERIFY(other != nullptr);
        QCOMPARE(window_->Previews().size(), std::size_t{2});
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(other, &escape);
        QCOMPARE(window_->Previews().size(), std::size_t{1});

        QVERIFY(Ws().OnDeleteFiles({row}));
        QTRY_VERIFY(!Ws().Busy());
        QTRY_VERIFY(window_->Previews().empty());

        QVERIFY(window_->OpenPreview(0) != nullptr);
        window_->reject();
        QVERIFY(window_->Previews().empty());
    }
};

}  // namespace tintwell

QTEST_MAIN(tintwell::PreviewWindowTest)
#include "preview_window_test.moc"
