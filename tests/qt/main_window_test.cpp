#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/qt_settings_store.h"
#include "jobs/settings.h"
#include "support/counted_bitmap.h"
#include "support/counted_png.h"
#include "ui/color_list_model.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/output_dir_dialog.h"
#include "ui/overwrite_dialog.h"
#include "ui/palette_save_dialog.h"
#include "ui/palette_settings_dialog.h"
#include "ui/refusal_list_dialog.h"
#include "ui/status_field.h"
#include "ui/window_position.h"

namespace tintwell {
namespace {

const QRect kDesktop(0, 0, 1024, 768);

// An 8-bit bitmap of one row that uses each of `colors` (0xRRGGBB) on `counts` pixels.
QByteArray Bitmap(const std::vector<std::uint32_t>& colors, const std::vector<int>& counts) {
    const std::vector<std::uint8_t> bytes = test::CountedBitmap(colors, counts);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// The same as an indexed PNG.
QByteArray Png(const std::vector<std::uint32_t>& colors, const std::vector<int>& counts) {
    const std::vector<std::uint8_t> bytes = test::CountedPng(colors, counts);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MainWindow> window_;
    QStringList messages_;
    QList<QList<Refusal>> refusalLists_;

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write(bytes);
        return path;
    }
    // A file with `n` colors of its own (n distinct shades from `base`).
    QString File(const QString& name, std::uint32_t base, int n = 1) {
        std::vector<std::uint32_t> colors;
        std::vector<int> counts;
        for (int i = 0; i < n; ++i) {
            colors.push_back(base + static_cast<std::uint32_t>(i));
            counts.push_back(i + 1);
        }
        return Write(name, Bitmap(colors, counts));
    }
    void Open(Settings settings = {}) {
        if (settings.outDir.empty()) settings.outDir = dir_->path().toStdString();
        window_ = std::make_unique<MainWindow>(
            settings, WorkspaceOptions{dir_->filePath(QStringLiteral("palettes")).toStdString(),
                                       RunMode::Threaded, 2});
        window_->view().SetMessagePresenter(
            [this](Msg, const QString& text) { messages_.append(text); });
        window_->view().SetRefusalListPresenter(
            [this](const QList<Refusal>& refusals) { refusalLists_.append(refusals); });
        window_->Initialise(kDesktop);
    }
    Workspace& Ws() { return window_->workspace(); }
    // Drops the files on the window as a file manager does and waits for the job's end.
    void Drop(const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &drop);
        QTRY_VERIFY_WITH_TIMEOUT(!Ws().Busy(), 20000);
        Ws().WaitIdle();
    }
    QStringList Rows(QTreeView* list) {
        QStringList rows;
        for (int r = 0; r < list->model()->rowCount(); ++r)
            rows.append(list->model()->index(r, 0).data().toString());
        return rows;
    }
    // Every widget shows the enabled state the Workspace keeps.
    bool ControlsMatch() {
        for (ControlId id : kSwitchableControls) {
            if (window_->Control(id)->isEnabled() != Ws().Controls().Enabled(id)) {
                qWarning() << "control" << static_cast<int>(id) << "differs";
                return false;
            }
        }
        return true;
    }
    void ClickRow(QTreeView* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        messages_.clear();
        refusalLists_.clear();
    }
    void cleanup() { window_.reset(); }

    // A drop lists the bitmaps in name order (other files skipped), non-ASCII names too,
    // with every control following the Workspace during and after the job.
    void dropListsFilesInNameOrderWithControlsFollowingTheJob() {
        Open();
        const QStringList paths = {File("B.bmp", 0x100000), File("a.BMP", 0x200000),
                                   File("日本語.bmp", 0x300000), Write("notes.txt", "x"),
                                   File("c.bmp", 0x400000)};
        int steps = 0;
        bool duringOk = true;
        connect(&window_->view(), &QtWorkspaceView::progressDrawn, this, [&](int step, int) {
            if (step < 0) return;
            ++steps;
            duringOk = duringOk && Ws().Busy() && ControlsMatch() &&
                       window_->Control(ControlId::Abort)->isEnabled() &&
                       !window_->FileList()->isEnabled() && window_->Status()->ProgressShown();
        });
        int finished = 0;
        connect(&window_->view(), &QtWorkspaceView::jobFinished, this, [&] { ++finished; });
        Drop(paths);
        QCOMPARE(steps, 5);
        QVERIFY(duringOk);
        QCOMPARE(finished, 1);
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "B", "c", QStringLiteral("日本語")}));
        QCOMPARE(Ws().Files().At(3).path,
                 QDir::toNativeSeparators(dir_->filePath("日本語.bmp")).toStdString());
        QCOMPARE(window_->ColorList()->model()->rowCount(), 4);
        QVERIFY(ControlsMatch());
        QVERIFY(!window_->Control(ControlId::Abort)->isEnabled());
        QVERIFY(!window_->Status()->ProgressShown());
        QCOMPARE(window_->FileList()->model()->headerData(0, Qt::Horizontal).toString(),
                 QString::fromUtf8(FormatNumbers(Msg::FileListHeading, {4})));
        QVERIFY(messages_.isEmpty());

        // Named on the command line: the same as a drop.
        QVERIFY(window_->DropFiles({File("d.bmp", 0x500000)}));
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(Rows(window_->FileList()).size(), 5);
    }

    // BMP and PNG files dropped together: the rows show whole file names while both formats
    // are listed, and each file is written back in its own format.
    void aMixedDropShowsExtensionsAndKeepsEachFormat() {
        Open();
        Drop({Write("b.png", Png({0x00FF00, 0x0000FF}, {2, 1})), File("a.bmp", 0xFF0000)});
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a.bmp", "b.png"}));
        QCOMPARE(window_->ColorList()->model()->rowCount(), 3);
        const QString out = dir_->filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        QCOMPARE(Ws().OnOutput(out.toStdString()), OutputStart::Started);
        QTRY_VERIFY_WITH_TIMEOUT(!Ws().Busy(), 20000);
        QVERIFY(messages_.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"a.bmp", "b.png"}));
        QFile png(out + QStringLiteral("/b.png"));
        QVERIFY(png.open(QIODevice::ReadOnly));
        QCOMPARE(png.read(4), QByteArray("\x89PNG"));

        ClickRow(window_->FileList(), 0);
        window_->Button(ControlId::DeleteFiles)->click();
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(Rows(window_->FileList()), (QStringList{"b"}));
    }

    // A dropped folder adds the bitmaps directly inside it, in name order. Of the files the
    // drop refuses, the first is a message box as always; the others come after the drop as
    // one list, each with its path and its message.
    void droppedFolderAddsItsBitmapsAndRefusalsComeAsOneList() {
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("pics/sub")));
        const QString b = File(QStringLiteral("pics/b.bmp"), 0x200000);
        const QString a = File(QStringLiteral("pics/a.bmp"), 0x100000);
        File(QStringLiteral("pics/sub/c.bmp"), 0x300000);
        QStringList bad;
        // Named as a drop names them: as the system spells paths (C:\pics\x1.bmp on Windows).
        for (const char* name : {"pics/x1.bmp", "pics/x2.bmp", "pics/x3.bmp"})
            bad.append(
                QDir::toNativeSeparators(Write(QString::fromLatin1(name), QByteArray(64, 'x'))));
        Open();
        Drop({dir_->filePath(QStringLiteral("pics"))});
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "b"}));
        // Each text is the message, then why in words.
        const auto refusal = [&](int i) {
            return QString::fromStdString(FormatMessage(Msg::NotBitmap, bad[i].toStdString())) +
                   QStringLiteral("\nno \"BM\" at the start");
        };
        QCOMPARE(messages_, QStringList{refusal(0)});
        QTRY_COMPARE(refusalLists_.size(), 1);
        const QList<Refusal>& list = refusalLists_.front();
        QCOMPARE(list.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(list[i].msg, Msg::NotBitmap);
            QCOMPARE(list[i].path, bad[i + 1]);
            QCOMPARE(list[i].text, refusal(i + 1));
        }
        QVERIFY(ControlsMatch());

        // The dialog lists them by file name with the reason.
        RefusalListDialog dialog(list);
        auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("refusals"));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("x2.bmp"));
        QCOMPARE(tree->topLevelItem(0)->toolTip(0), bad[1]);

        // One refusal is one box and no list; a folder of nothing new adds nothing.
        messages_.clear();
        Drop({bad[0], dir_->filePath(QStringLiteral("pics/sub"))});
        QCOMPARE(messages_.size(), 1);
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "b", "c"}));
        QTest::qWait(10);
        QCOMPARE(refusalLists_.size(), 1);
    }

    // The abort button stops a drop before the next file; delete and clear work on the
    // selected rows and leave the controls as the Workspace says.
    void abortDeleteAndClear() {
        Open();
        QStringList paths;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
            paths.append(File(name, 0x010000u * static_cast<std::uint32_t>(paths.size() + 1)));
        connect(&window_->view(), &QtWorkspaceView::progressDrawn, this, [&](int step, int) {
            if (step == 2) window_->Button(ControlId::Abort)->click();
        });
        Drop(paths);
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "b"}));
        QVERIFY(ControlsMatch());

        disconnect(&window_->view(), &QtWorkspaceView::progressDrawn, this, nullptr);
        Drop(paths);
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "b", "c", "d"}));
        QVERIFY(!window_->Button(ControlId::DeleteFiles)->isEnabled());
        ClickRow(window_->FileList(), 0);
        ClickRow(window_->FileList(), 2, Qt::ControlModifier);
        QVERIFY(window_->Button(ControlId::DeleteFiles)->isEnabled());
        window_->Button(ControlId::DeleteFiles)->click();
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(Rows(window_->FileList()), (QStringList{"b", "d"}));
        QCOMPARE(window_->ColorList()->model()->rowCount(), 2);
        QVERIFY(window_->FileList()->selectionModel()->selectedRows().isEmpty());
        QVERIFY(ControlsMatch());

        window_->Button(ControlId::ClearAll)->click();
        QVERIFY(Rows(window_->FileList()).isEmpty());
        QCOMPARE(window_->ColorList()->model()->rowCount(), 0);
        QVERIFY(ControlsMatch());
        QVERIFY(!window_->Button(ControlId::ClearAll)->isEnabled());
    }

    // The program ends while a drop runs (a signal, the session ending): destroying the
    // window stops the job, lets the worker's waiting call go and joins it.
    void destroyingTheWindowMidJobEndsTheJob() {
        Open();
        QStringList paths;
        for (int i = 0; i < 6; ++i)
            paths.append(File(QStringLiteral("f%1.bmp").arg(i), 0x010000u * (i + 1)));
        bool destroyed = false;
        connect(&window_->view(), &QtWorkspaceView::progressDrawn, this, [&](int step, int) {
            if (step != 2) return;
            // Outside the owner call in hand, as the event loop's end would be.
            QTimer::singleShot(0, this, [&] {
                window_.reset();
                destroyed = true;
            });
        });
        QVERIFY(window_->DropFiles(paths));
        QTRY_VERIFY(destroyed);
    }

    // Both models stay consistent for Qt's own checker through drops, a delete, sorts by
    // heading clicks, a merge and a clear.
    void modelsPassTheModelTester() {
        Open();
        QAbstractItemModelTester fileTester(window_->FileList()->model(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester colorTester(
            window_->ColorList()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Drop({File("m.bmp", 0x102030, 5), File("c.bmp", 0x405060, 3)});
        Drop({File("x.bmp", 0x708090, 4), File("a.bmp", 0x102030, 2)});
        QCOMPARE(Rows(window_->FileList()), (QStringList{"a", "c", "m", "x"}));
        ClickRow(window_->FileList(), 2);
        window_->Button(ControlId::DeleteFiles)->click();
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(window_->ColorList()->model()->rowCount(), Ws().ColorCount());

        QTreeView* colors = window_->ColorList();
        QHeaderView* header = colors->header();
        // A sort moves the persistent indexes (the selection model's) with their colors.
        const QPersistentModelIndex held(colors->model()->index(0, 0));
        const QString heldColor = held.data().toString();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
        // The largest pixel count first (0x708090 + 3 has 4 pixels).
        QCOMPARE(Ws().Table().AtPosition(0).pixelCount, 4);
        QVERIFY(held.isValid());
        QVERIFY(held.row() != 0);
        QCOMPARE(held.data().toString(), heldColor);
        ClickRow(colors, 3);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
        // The color sort puts the reference first and clicks row 0.
        QCOMPARE(SelectionOf(*colors).rows, std::vector<int>{0});
        QCOMPARE(SelectionOf(*colors).focus, 0);

        ClickRow(colors, 1);
        ClickRow(colors, 2, Qt::ControlModifier);
        ClickRow(colors, 4, Qt::ControlModifier);
        const int before = Ws().ColorCount();
        QVERIFY(window_->Button(ControlId::Merge)->isEnabled());
        QCOMPARE(window_->Status()->text(),
                 QString::fromUtf8(FormatNumbers(Msg::MergeStatus, {2, 4})));
        // A merge has no slow part: it is over when the click returns.
        window_->Button(ControlId::Merge)->click();
        QVERIFY(!Ws().Busy());
        QCOMPARE(colors->model()->rowCount(), before - 2);
        window_->Button(ControlId::ClearAll)->click();
        QCOMPARE(colors->model()->rowCount(), 0);
    }

    // Row painting: highlight for selected rows, the merge target inverted among several
    // selected, the swatch, and the button face for unselected rows while a job runs.
    void rowsArePaintedAsTheListsAlwaysWere() {
        Open();
        Drop({File("a.bmp", 0x20C040, 3)});
        QTreeView* colors = window_->ColorList();
        colors->resize(colors->size());
        const QPalette palette = colors->palette();
        const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
        const QColor inverted = QColor::fromRgb(~highlight.rgb() & 0xFFFFFFu);
        const auto pixel = [&](int row, int x) {
            const QImage image = colors->viewport()->grab().toImage();
            const QRect rect = colors->visualRect(colors->model()->index(row, 0));
            return image.pixelColor(x, rect.top() + rect.height() / 2);
        };
        QCOMPARE(colors->visualRect(colors->model()->index(0, 0)).height(), 16);
        // Rows 0 and 1 selected, row 1 focused: the merge target is inverted.
        ApplySelection(*colors, Selection{{0, 1}, 1});
        QCOMPARE(pixel(0, 20), highlight);
        QCOMPARE(pixel(1, 20), inverted);
        QCOMPARE(pixel(2, 20), palette.color(QPalette::Active, QPalette::Base));
        QCOMPARE(pixel(2, 65), QColor(0x20, 0xC0, 0x42));  // swatch of row 2
        // One selected row is drawn in the plain highlight, focused or not.
        ApplySelection(*colors, Selection{{1}, 1});
        QCOMPARE(pixel(1, 20), highlight);
        // While the list is disabled (a job), unselected rows take the button face.
        ApplySelection(*colors, Selection{{}, -1});
        colors->setEnabled(false);
        QCOMPARE(pixel(0, 20), palette.color(QPalette::Active, QPalette::Button));
        QCOMPARE(pixel(0, 65), QColor(0x20, 0xC0, 0x40));
        colors->setEnabled(true);
        // The status field's bar: two thirds of the inner width for step 1 of 3. The inner
        // rectangle is one pixel inside the frame, whose width the style decides (one pixel
        // in Fusion, two in the Windows styles).
        StatusField* status = window_->Status();
        status->DrawProgress(1, 3);
        const int frame = std::max(
            1, status->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, status));
        const int inner = status->width() - 2 * (frame + 1);
        QCOMPARE(status->FillWidth(), inner * 2 / 3);
        status->EndProgress();
    }

    // The palette dialog: the built-in entry first, sorted titles, prefix selection of the
    // stored names ignoring case, and each list enabled only in its mode.
    void paletteDialogEnablingAndPrefixSelection() {
        const QStringList titles = {"zeta", "Alpha", "beta2", "Beta"};
        const QStringList entries = PaletteSettingsDialog::Entries(titles);
        QCOMPARE(entries, (QStringList{QString::fromUtf8(BuiltInPaletteEntry().data()), "Alpha",
                                       "Beta", "beta2", "zeta"}));
        QCOMPARE(PaletteSettingsDialog::PrefixMatch(entries, "BETA2"), 3);
        QCOMPARE(PaletteSettingsDialog::PrefixMatch(entries, "al"), 1);
        QCOMPARE(PaletteSettingsDialog::PrefixMatch(entries, "gone"), 0);
        QCOMPARE(PaletteSettingsDialog::PrefixMatch(entries, ""), 0);

        PaletteSettings current;
        current.bits = {5, 8, 1};
        PaletteSettingsDialog dialog(current, "BETA2", "zet", titles);
        auto* list256 = dialog.findChild<QComboBox*>("list1041");
        auto* list16 = dialog.findChild<QComboBox*>("list1042");
        auto* red = dialog.findChild<QComboBox*>("bits1014");
        QCOMPARE(list256->currentText(), QStringLiteral("beta2"));
        QCOMPARE(list16->currentText(), QStringLiteral("zeta"));
        QCOMPARE(red->currentText(), QStringLiteral("5"));
        QVERIFY(red->isEnabled() && !list256->isEnabled() && !list16->isEnabled());
        dialog.findChild<QRadioButton*>("mode1037")->click();
        QVERIFY(!red->isEnabled() && list256->isEnabled() && !list16->isEnabled());
        dialog.findChild<QRadioButton*>("mode1038")->click();
        QVERIFY(!red->isEnabled() && !list256->isEnabled() && list16->isEnabled());
        list16->setCurrentIndex(0);
        list256->setCurrentIndex(1);
        const PaletteChoice choice = dialog.Choice();
        QCOMPARE(choice.mode, PaletteMode::Fixed16);
        QCOMPARE(choice.pal16Name, std::string());          // the built-in entry
        QCOMPARE(choice.pal256Name, std::string("BETA2"));  // the other list is not taken
        QCOMPARE(choice.bits.red, 5);
    }

    // The merge status and button follow every change of the color list's selection, by
    // mouse or keyboard, as the view has made it; only the left button clicks.
    void colorListStateFollowsEverySelectionChange() {
        Open();
        Drop({File("a.bmp", 0x102030, 5)});
        QTreeView* colors = window_->ColorList();
        QPushButton* merge = window_->Button(ControlId::Merge);
        const auto status = [&](long long others, long long target) {
            return QString::fromUtf8(FormatNumbers(Msg::MergeStatus, {others, target}));
        };
        const struct {
            const char* step;
            std::function<void()> act;
            std::vector<int> rows;
            QString text;
        } steps[] = {
            {"ctrl-clicks",
             [&] {
                 ClickRow(colors, 1);
                 ClickRow(colors, 2, Qt::ControlModifier);
                 ClickRow(colors, 4, Qt::ControlModifier);
             },
             {1, 2, 4},
             status(2, 4)},
            {"plain click on a selected row", [&] { ClickRow(colors, 2); }, {2}, QString()},
            {"right click elsewhere",
             [&] {
                 const QRect rect = colors->visualRect(colors->model()->index(0, 0));
                 QTest::mouseClick(colors->viewport(), Qt::RightButton, {}, rect.center());
             },
             {2},
             QString()},
            {"ctrl+a",
             [&] { QTest::keyClick(colors, Qt::Key_A, Qt::ControlModifier); },
             {0, 1, 2, 3, 4},
             status(4, 2)},
            {"down", [&] { QTest::keyClick(colors, Qt::Key_Down); }, {3}, QString()},
            {"shift+up",
             [&] { QTest::keyClick(colors, Qt::Key_Up, Qt::ShiftModifier); },
             {2, 3},
             status(1, 2)},
        };
        for (const auto& s : steps) {
            s.act();
            QCOMPARE(SelectionOf(*colors).rows, s.rows);
            QVERIFY2(merge->isEnabled() == !s.text.isEmpty(), s.step);
            QVERIFY2(window_->Status()->text() == s.text, s.step);
            QVERIFY2(ControlsMatch(), s.step);
        }
        merge->click();
        QTRY_VERIFY(!Ws().Busy());
        QVERIFY(messages_.isEmpty());
        QCOMPARE(colors->model()->rowCount(), 4);
    }

    // With colors selected, each file row carries its pixels of them (none: dimmed); a merge
    // moves the merged color's pixels to the target. A color no file uses is marked unused:
    // in a fixed palette, and when the only file that used it goes.
    void fileRowsShowTheirUseOfTheSelectedColors() {
        Open();
        Drop({File("a.bmp", 0x000000, 3), Write("b.bmp", Bitmap({0x000000, 0xFFFFFF}, {4, 5}))});
        QTreeView* colors = window_->ColorList();
        QAbstractItemModel* files = window_->FileList()->model();
        const auto usage = [&] {
            QList<qint64> counts;
            for (int r = 0; r < files->rowCount(); ++r) {
                const QVariant v = files->index(r, 0).data(FileListModel::kUsageRole);
                counts.append(v.isValid() ? v.toLongLong() : -1);
            }
            return counts;
        };
        const auto unused = [&] {
            QList<int> rows;
            for (int r = 0; r < colors->model()->rowCount(); ++r) {
                if (colors->model()->index(r, 0).data(ColorListModel::kUnusedRole).toBool())
                    rows.append(r);
            }
            return rows;
        };
        const auto rowOf = [&](QColor color) {
            for (int r = 0; r < colors->model()->rowCount(); ++r) {
                if (colors->model()->index(r, 0).data(ColorListModel::kSwatchRole) == color)
                    return r;
            }
            return -1;
        };
        // Rows: 0x000000 (a 1, b 4), 0x000001 (a 2), 0x000002 (a 3), 0xFFFFFF (b 5).
        const struct {
            Selection selection;
            QList<qint64> counts;
        } steps[] = {
            {{{}, -1}, {-1, -1}}, {{{0}, 0}, {1, 4}}, {{{1, 3}, 3}, {2, 5}}, {{{2}, 2}, {3, 0}}};
        for (const auto& step : steps) {
            ApplySelection(*colors, step.selection);
            QTRY_COMPARE(usage(), step.counts);
        }
        QCOMPARE(files->index(1, 0).data(Qt::ToolTipRole).toString(),
                 QString::fromUtf8("b\n選択した色のピクセル数: 0"));
        // 0xFFFFFF merged into 0x000000: its pixels count there.
        ApplySelection(*colors, Selection{{0, 3}, 0});
        QVERIFY(window_->Button(ControlId::Merge)->isEnabled());
        window_->Button(ControlId::Merge)->click();
        QTRY_VERIFY(!Ws().Busy());
        ApplySelection(*colors, Selection{{0}, 0});
        QTRY_COMPARE(usage(), (QList<qint64>{1, 9}));
        QCOMPARE(unused(), QList<int>());

        // The built-in 16 colors: black and white are used, the 14 others not; white is
        // unused too once b, its only file, goes.
        QVERIFY(Ws().OnPaletteSettings(PaletteChoice{PaletteMode::Fixed16, {}, {}, {}}));
        QTRY_VERIFY(!Ws().Busy());
        const int black = rowOf(Qt::black), white = rowOf(Qt::white);
        QCOMPARE(unused().size(), 14);
        QVERIFY(!unused().contains(black) && !unused().contains(white));
        ApplySelection(*colors, Selection{{black, white}, white});
        QTRY_COMPARE(usage(), (QList<qint64>{6, 9}));
        QVERIFY(Ws().OnDeleteFiles({1}));
        QTRY_VERIFY(!Ws().Busy());
        QCOMPARE(unused().size(), 15);
        QVERIFY(unused().contains(white));
        ApplySelection(*colors, Selection{{white}, white});
        QTRY_COMPARE(usage(), (QList<qint64>{0}));
    }

    // A sort shows the list from row 0, and after a color-distance sort row 0 (the
    // reference) is the anchor of a Shift-click.
    void aSortShowsRowZeroAndAnchorsThere() {
        Open();
        Drop({File("a.bmp", 0x102030, 80)});
        QTreeView* colors = window_->ColorList();
        QHeaderView* header = colors->header();
        const auto clickHeading = [&](int column) {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
        };
        // Row 10 (11 pixels) goes far down in the first sort, most pixels first.
        for (int column : {1, 0}) {
            ClickRow(colors, 10);
            clickHeading(column);
            QCOMPARE(colors->verticalScrollBar()->value(), 0);
        }
        QCOMPARE(SelectionOf(*colors).rows, std::vector<int>{0});
        ClickRow(colors, 3, Qt::ShiftModifier);
        QCOMPARE(SelectionOf(*colors).rows, (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(SelectionOf(*colors).focus, 3);
    }

    // A 400 x 300 window: half its width and its title bar must stay on the desktop.
    void positionIsCorrectedAgainstTheDesktop_data() {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("inside") << QPoint(300, 200) << QPoint(300, 200);
        QTest::newRow("x beyond") << QPoint(5000, 200) << QPoint(100, 200);
        QTest::newRow("x negative") << QPoint(-10, 200) << QPoint(100, 200);
        QTest::newRow("x on the right edge") << QPoint(1024, 200) << QPoint(100, 200);
        QTest::newRow("90 % off the right edge") << QPoint(984, 200) << QPoint(100, 200);
        QTest::newRow("half off the right edge") << QPoint(824, 200) << QPoint(824, 200);
        QTest::newRow("y beyond") << QPoint(10, 769) << QPoint(10, 100);
        QTest::newRow("title bar below the bottom edge") << QPoint(10, 750) << QPoint(10, 100);
        QTest::newRow("title bar on the bottom edge") << QPoint(10, 736) << QPoint(10, 736);
    }
    void positionIsCorrectedAgainstTheDesktop() {
        QFETCH(QPoint, stored);
        QFETCH(QPoint, expected);
        QCOMPARE(CorrectedWindowPosition(stored, QSize(400, 300), kDesktop), expected);
    }

    // Start-up and exit through the settings file: a bad Type and position are corrected, a
    // short palette file is reported once and its name cleared, all six values are written
    // back, the position as the window was left.
    void settingsAreReadCorrectedAndWrittenBack() {
        const QString ini = dir_->filePath("Tintwell.conf");
        {
            QSettings raw(ini, QSettings::IniFormat);
            raw.setValue("Set/Type", 5);
            raw.setValue("Set/Xpos", 5000);
            raw.setValue("Set/Ypos", 50);
            raw.setValue("Pal/Pal256", "short");
        }
        QDir().mkpath(dir_->filePath("palettes"));
        Write("palettes/short.act", QByteArray(10, 'x'));
        QtSettingsStore store(ini, QSettings::IniFormat);
        Open(LoadSettings(store));
        QCOMPARE(window_->pos(), QPoint(100, 50));
        QCOMPARE(window_->Button(ControlId::PaletteSettings)->text(),
                 QStringLiteral("R:8 G:8 B:8"));
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith(QString::fromUtf8(MessageText(Msg::BadPalette256).data())));

        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->move(120, 60);
        QTest::keyClick(window_.get(), Qt::Key_Return);  // Enter never closes
        QVERIFY(window_->isVisible());
        const QPoint left = window_->pos();
        QTest::keyClick(window_.get(), Qt::Key_Escape);  // Escape does, keeping the position
        QVERIFY(!window_->isVisible());
        SaveSettings(window_->ExportSettings(), store);
        QVERIFY(store.Sync());
        QSettings raw(ini, QSettings::IniFormat);
        QCOMPARE(raw.value("Set/Type").toInt(), 2);
        QCOMPARE(raw.value("Set/Xpos").toInt(), left.x());
        QCOMPARE(raw.value("Set/Ypos").toInt(), left.y());
        // The current folder as the system spells it (C:\out on Windows).
        QCOMPARE(raw.value("Set/OutDir").toString(), QDir::toNativeSeparators(QDir::currentPath()));
        QCOMPARE(raw.value("Pal/Pal256").toString(), QString());
        QVERIFY(raw.contains("Pal/Pal16"));
    }

    // Every message about a file names it: a text without the path gets it on its own line.
    void messagesNameTheirFile() {
        Open();
        window_->view().ShowMessage(Msg::WriteError, "/out/a.bmp");
        window_->view().ShowMessage(Msg::CannotCreate, "/out/b.bmp");
        window_->view().ShowMessage(Msg::InexplicableError, "");
        QCOMPARE(messages_,
                 (QStringList{QStringLiteral("書き込みエラーです。\n/out/a.bmp"),
                              QString::fromUtf8(FormatMessage(Msg::CannotCreate, "/out/b.bmp")),
                              QStringLiteral("不可解な内部エラー")}));
    }

    // Nothing a drop passes over goes without a word: after the first refusal's box, a file
    // of a listed name, a file that is no image, a file dropped twice and a path where
    // nothing stands are listed, each with its reason as the command-line tool gives it.
    void everyItemADropPassesOverIsListedWithItsReason() {
        const QString bad = Write(QStringLiteral("bad.bmp"), QByteArray(64, 'x'));
        const QString a = File(QStringLiteral("a.bmp"), 0x100000);
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("other")));
        const QString sameName = File(QStringLiteral("other/A.bmp"), 0x200000);
        const QString text = Write(QStringLiteral("notes.txt"), "hi");
        const QString missing = dir_->filePath(QStringLiteral("missing.bmp"));
        Open();
        Drop({bad, a, sameName, text, a, missing});
        QCOMPARE(Rows(window_->FileList()), QStringList{"a"});
        QCOMPARE(messages_.size(), 1);
        // Paths come back as the system spells them.
        const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };
        QVERIFY(messages_[0].startsWith(
            QString::fromStdString(FormatMessage(Msg::NotBitmap, native(bad).toStdString()))));
        QTRY_COMPARE(refusalLists_.size(), 1);
        const QList<Refusal>& list = refusalLists_.front();
        const QStringList paths = {native(sameName), native(text), native(a), native(missing)};
        const QStringList reasons = {
            RefusalListDialog::SkipText(SkipReason::SameName),
            RefusalListDialog::SkipText(SkipReason::NotImage),
            RefusalListDialog::SkipText(SkipReason::SameFile),
            QString::fromStdString(FormatMessage(Msg::CannotOpen, native(missing).toStdString()))};
        QCOMPARE(list.size(), paths.size());
        for (int i = 0; i < list.size(); ++i) {
            QCOMPARE(list[i].path, paths[i]);
            QVERIFY2(list[i].text.startsWith(reasons[i]), qPrintable(list[i].text));
            QVERIFY(!list[i].text.isEmpty());
        }
    }

    // A palette file refused at start-up is named in its message, with the reason the
    // command-line tool gives, not only "holds invalid data".
    void aRefusedPaletteFileIsNamedWithTheReason_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("riff") << QStringLiteral("riff.pal")
                              << QByteArray("RIFF\x10\0\0\0PAL data", 16) << QStringLiteral("RIFF");
        QTest::newRow("257 colors")
            << QStringLiteral("many.hex") << QByteArray("000000\n").repeated(300)
            << QStringLiteral("more than 256 colors (line 257)");
        QTest::newRow("2 MiB") << QStringLiteral("big.gpl") << QByteArray(2 << 20, ' ')
                               << QStringLiteral("larger than 1 MiB");
    }
    void aRefusedPaletteFileIsNamedWithTheReason() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("palettes")));
        const QString path = Write(QStringLiteral("palettes/") + name, bytes);
        Settings settings;
        settings.type = static_cast<int>(PaletteMode::Fixed256);
        settings.pal256 = name.toStdString();
        Open(settings);
        QCOMPARE(messages_.size(), 1);
        QVERIFY2(messages_[0].startsWith(
                     QString::fromStdString(std::string(MessageText(Msg::BadPalette256)))),
                 qPrintable(messages_[0]));
        QVERIFY2(messages_[0].contains(QDir::toNativeSeparators(path)), qPrintable(messages_[0]));
        QVERIFY2(messages_[0].contains(reason), qPrintable(messages_[0]));
        QCOMPARE(Ws().Pal256Name(), std::string());
    }

    // The program ended by a signal closes no window: the position it stands at is kept.
    void thePositionIsKeptWhenTheProgramEndsWithoutAClose() {
        Open();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->move(130, 70);
        QTRY_COMPARE(window_->pos(), QPoint(130, 70));
        const Settings kept = window_->ExportSettings();
        QCOMPARE(QPoint(kept.xpos, kept.ypos), QPoint(130, 70));
    }
};

}  // namespace tintwell

QTEST_MAIN(tintwell::MainWindowTest)
#include "main_window_test.moc"
