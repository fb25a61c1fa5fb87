#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "palette/palette_file.h"
#include "ui/color_edit_dialog.h"
#include "ui/color_list_model.h"
#include "ui/dialog_units.h"
#include "ui/file_list_model.h"
#include "ui/help_dialog.h"
#include "ui/list_view.h"
#include "ui/output_dir_dialog.h"
#include "ui/palette_save_dialog.h"
#include "ui/palette_settings_dialog.h"
#include "ui/preview_pixels.h"
#include "ui/preview_window.h"
#include "ui/row_delegate.h"
#include "ui/status_field.h"
#include "ui/utf8_text.h"
#include "ui/window_position.h"

namespace tintwell {

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/tintwell-%1.png").arg(size), QSize(size, size));
    return icon;
}

MainWindow::MainWindow(const Settings& settings, WorkspaceOptions options, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("mainWindow"));
    workspace_ = std::make_unique<Workspace>(view_, settings, std::move(options));
    // The workers' results are applied here on the GUI thread, between two events; a call
    // still queued when the window goes is dropped with it.
    connect(
        &view_, &QtWorkspaceView::resultsWaiting, this,
        [this] {
            if (workspace_) workspace_->ApplyResults();
        },
        Qt::QueuedConnection);
    BuildControls();
}

MainWindow::~MainWindow() {
    // The Workspace goes first: its workers are joined after the tasks in hand while the
    // view and the widgets still exist; nothing more of a running job is applied.
    workspace_.reset();
}

void MainWindow::BuildControls() {
    setWindowTitle(QStringLiteral("Tintwell"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    setFont(DialogFontMonospace(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(kWidthDu, kHeightDu));

    fileModel_ = new FileListModel(this);
    colorModel_ = new ColorListModel(workspace_->Table(), this);
    fileList_ = MakeList(this, fileModel_, ListId::Files, true);
    fileList_->setObjectName(QStringLiteral("list1001"));
    fileList_->setGeometry(du.Rect(7, 6, 131, 130));
    colorList_ = MakeList(this, colorModel_, ListId::Colors, true);
    colorList_->setObjectName(QStringLiteral("list1007"));
    colorList_->setGeometry(du.Rect(140, 6, 170, 194));
    colorList_->header()->resizeSection(0, 200);
    fileList_->viewport()->installEventFilter(this);
    colorList_->viewport()->installEventFilter(this);
    BuildButtons(du);
    AttachView();
    ConnectControls();
}

// The buttons, the status field and the label at their template positions, in Tab order.
void MainWindow::BuildButtons(const DialogUnits& du) {
    struct ButtonSpec {
        ControlId id;
        const char* text;
        int x, y, w, h;
    };
    const ButtonSpec buttons[] = {
        {ControlId::DeleteFiles, QT_TR_NOOP("消去"), 7, 138, 39, 14},
        {ControlId::ClearAll, QT_TR_NOOP("全消去"), 47, 138, 39, 14},
        {ControlId::PaletteSettings, "", 47, 154, 65, 14},
        {ControlId::OutputDepth, "", 113, 154, 25, 14},
        {ControlId::Merge, QT_TR_NOOP("色まとめ"), 95, 170, 43, 14},
        {ControlId::Help, QT_TR_NOOP("ヘルプ"), 7, 186, 39, 14},
        {ControlId::Abort, QT_TR_NOOP("中止"), 47, 186, 39, 14},
        {ControlId::Output, QT_TR_NOOP("ファイル出力"), 87, 186, 51, 14},
        {ControlId::SavePalette, QT_TR_NOOP("パレット保存"), 87, 138, 51, 14},
    };
    for (const ButtonSpec& spec : buttons) {
        auto* button = new QPushButton(tr(spec.text), this);
        button->setObjectName(QStringLiteral("button%1").arg(static_cast<int>(spec.id)));
        button->setGeometry(du.Rect(spec.x, spec.y, spec.w, spec.h));
        // Enter never presses a button of this window for the user.
        button->setAutoDefault(false);
        controls_[spec.id] = button;
    }
    status_ = new StatusField(this);
    status_->setObjectName(QStringLiteral("status1030"));
    status_->setGeometry(du.Rect(7, 170, 86, 14));
    auto* label = new QLabel(tr("パレット"), this);
    label->setGeometry(du.Rect(7, 157, 36, 10));
    controls_[ControlId::FileList] = fileList_;
    controls_[ControlId::ColorList] = colorList_;
    controls_[ControlId::StatusField] = status_;

    // The template's order, for Tab.
    QWidget* order[] = {fileList_,
                        colorList_,
                        Button(ControlId::DeleteFiles),
                        Button(ControlId::ClearAll),
                        Button(ControlId::PaletteSettings),
                        Button(ControlId::OutputDepth),
                        Button(ControlId::Merge),
                        Button(ControlId::Help),
                        Button(ControlId::Abort),
                        Button(ControlId::Output),
                        Button(ControlId::SavePalette)};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::AttachView() {
    ViewWidgets widgets;
    widgets.window = this;
    widgets.fileModel = fileModel_;
    widgets.colorModel = colorModel_;
    widgets.fileList = fileList_;
    widgets.colorList = colorList_;
    widgets.status = status_;
    widgets.paletteButton = Button(ControlId::PaletteSettings);
    widgets.depthButton = Button(ControlId::OutputDepth);
    widgets.controls = controls_;
    view_.Attach(widgets);
}

void MainWindow::ConnectControls() {
    connect(Button(ControlId::DeleteFiles), &QPushButton::clicked, this,
            [this] { workspace_->OnDeleteFiles(SelectionOf(*fileList_).rows); });
    connect(Button(ControlId::ClearAll), &QPushButton::clicked, this,
            [this] { workspace_->OnClearAll(); });
    connect(Button(ControlId::Abort), &QPushButton::clicked, this,
            [this] { workspace_->OnAbort(); });
    connect(Button(ControlId::PaletteSettings), &QPushButton::clicked, this,
            &MainWindow::OnPaletteSettings);
    connect(Button(ControlId::OutputDepth), &QPushButton::clicked, this,
            [this] { workspace_->OnToggleOutputDepth(); });
    connect(Button(ControlId::Help), &QPushButton::clicked, this, &MainWindow::OnHelp);
    connect(Button(ControlId::Merge), &QPushButton::clicked, this, &MainWindow::OnMerge);
    connect(Button(ControlId::Output), &QPushButton::clicked, this, &MainWindow::OnOutput);
    connect(Button(ControlId::SavePalette), &QPushButton::clicked, this,
            &MainWindow::OnSavePalette);
    connect(colorList_, &QTreeView::doubleClicked, this, &MainWindow::OnColorListDblClk);
    connect(fileList_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenPreview(index.row()); });
    // The previews follow the table and the file list.
    const auto refresh = [this] { SchedulePreviewRefresh(); };
    connect(colorModel_, &QAbstractItemModel::dataChanged, this, refresh);
    connect(colorModel_, &QAbstractItemModel::layoutChanged, this, refresh);
    connect(colorModel_, &QAbstractItemModel::rowsInserted, this, refresh);
    connect(colorModel_, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(colorModel_, &QAbstractItemModel::modelReset, this, refresh);
    connect(fileModel_, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(fileModel_, &QAbstractItemModel::modelReset, this, refresh);
    connect(Button(ControlId::OutputDepth), &QPushButton::clicked, this, refresh);
    connect(&view_, &QtWorkspaceView::jobFinished, this, refresh);
    connect(colorList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, refresh);
    // What depends on a list's selection follows every change of it, by mouse or keyboard,
    // once the view has made it; a selection the window puts back itself is already settled.
    // While a job runs the commands ignore the selection, and a merge changes it at every
    // removed row, so it is not even read then.
    const auto colorsChanged = [this] {
        if (applyingSelection_ || workspace_->Busy()) return;
        workspace_->OnColorListClick(SelectionOf(*colorList_));
    };
    connect(colorList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            colorsChanged);
    connect(colorList_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            colorsChanged);
    connect(fileList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (workspace_->Busy()) return;
        workspace_->OnFileListClick(
            static_cast<int>(fileList_->selectionModel()->selectedRows().size()));
    });
    connect(colorList_->header(), &QHeaderView::sectionClicked, this,
            &MainWindow::OnColorColumnClick);
}

void MainWindow::Initialise(const QRect& desktop) {
    workspace_->Initialise();
    const QPoint position =
        CorrectedWindowPosition(QPoint(settings_.xpos, settings_.ypos), size(), desktop);
    settings_.xpos = position.x();
    settings_.ypos = position.y();
    move(position);
}

bool MainWindow::DropFiles(const QStringList& paths) {
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths)
        items.push_back(ToUtf8(path));
    view_.CollectRefusals();
    const bool started = workspace_->OnDropFiles(std::move(items));
    if (!started) view_.EndRefusalList();
    return started;
}

Settings MainWindow::ExportSettings() const {
    Settings settings = settings_;
    // Still shown: the program is ending without a close (a signal, the session's end).
    if (isVisible()) {
        settings.xpos = pos().x();
        settings.ypos = pos().y();
    }
    workspace_->ExportSettings(settings);
    return settings;
}

QWidget* MainWindow::Control(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QPushButton* MainWindow::Button(ControlId id) const {
    return qobject_cast<QPushButton*>(Control(id));
}

void MainWindow::accept() {
    // Enter (the template's OK) does nothing.
}

void MainWindow::reject() {
    // Escape, the close box and the window menu's close: not while a job runs.
    if (workspace_->Busy()) return;
    settings_.xpos = pos().x();
    settings_.ypos = pos().y();
    ClosePreviews();
    QDialog::reject();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The user's close (the close box, the window menu) comes from the window system and is
    // refused while a job runs. A close the program makes itself while busy is the
    // application quitting (QCoreApplication::quit, the session ending): the window goes,
    // and the Workspace stops and joins the job when it is destroyed.
    if (workspace_->Busy() && !event->spontaneous()) {
        ClosePreviews();
        event->accept();
        return;
    }
    QDialog::closeEvent(event);
    if (event->isAccepted()) ClosePreviews();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (workspace_->Busy() || !event->mimeData()->hasUrls()) return;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths.append(url.toLocalFile());
    }
    if (paths.isEmpty()) return;
    if (DropFiles(paths)) event->acceptProposedAction();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Only the left button clicks in the lists: the others neither select nor click.
    const QEvent::Type type = event->type();
    if ((watched == fileList_->viewport() || watched == colorList_->viewport()) &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::OnColorColumnClick(int column) {
    if (workspace_->Busy()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The sort settles the state of the selection it hands back; the moves of the rows and
    // the selection put back are not clicks.
    applyingSelection_ = true;
    const std::optional<Selection> after =
        workspace_->OnColorColumnClick(column, SelectionOf(*colorList_));
    if (after) {
        ApplySelection(*colorList_, *after);
        // A sort shows the list from its top, wherever the focused row went.
        colorList_->scrollToTop();
    }
    applyingSelection_ = false;
    QApplication::restoreOverrideCursor();
}

QStringList MainWindow::PaletteTitles() const {
    QStringList titles;
    for (const std::string& name : PaletteNamesInFolder(workspace_->PaletteDir())) {
        titles.append(QString::fromStdString(name));
    }
    return titles;
}

void MainWindow::OnPaletteSettings() {
    if (workspace_->Busy()) return;
    PaletteSettingsDialog dialog(workspace_->Palette(), workspace_->Pal256Name(),
                                 workspace_->Pal16Name(), PaletteTitles(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    workspace_->OnPaletteSettings(dialog.Choice());
}

void MainWindow::OnMerge() {
    workspace_->OnMerge(SelectionOf(*colorList_));
}

void MainWindow::OnColorListDblClk() {
    std::optional<ColorEditSession> session =
        workspace_->OnColorListDblClk(SelectionOf(*colorList_));
    if (!session) return;
    ColorEditDialog dialog(*session, this);
    dialog.exec();
}

void MainWindow::OnOutput() {
    if (workspace_->Busy()) return;
    OutputDirDialog dialog(QString::fromUtf8(workspace_->OutDir().c_str()), this);
    if (dialog.exec() != QDialog::Accepted) return;
    workspace_->OnOutput(ToUtf8(dialog.Directory()));
}

void MainWindow::OnSavePalette() {
    if (workspace_->Busy()) return;
    const PaletteSettings& palette = workspace_->Palette();
    PaletteSaveDialog dialog(palette.mode, palette.outputDepth, workspace_->Pal256Name(),
                             workspace_->Pal16Name(), workspace_->PaletteDir(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    workspace_->OnSavePalette(dialog.Choice(), dialog.Name());
}

PreviewWindow* MainWindow::OpenPreview(int row) {
    if (workspace_->Busy() || row < 0 || row >= workspace_->FileCount()) return nullptr;
    const FileRecord& record = workspace_->Files().At(row);
    for (PreviewWindow* preview : Previews()) {
        if (preview->Path() == record.path) {
            preview->raise();
            preview->activateWindow();
            return preview;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FilePixels pixels = ReadFilePixels(record);
    QApplication::restoreOverrideCursor();
    if (pixels.error != Msg::None) {
        view_.ShowMessage(pixels.error, record.path);
        return nullptr;
    }
    auto* preview = new PreviewWindow(record.path, std::move(pixels), this);
    preview->SetRule(record.rule);
    preview->SetOutput(OutputOf(record, workspace_->Table(), workspace_->Palette()));
    preview->SetMarkedEntries(SelectionOf(*colorList_).rows);
    connect(preview, &PreviewWindow::entryPicked, this, [this](int entry) {
        if (workspace_->Busy() || entry >= workspace_->ColorCount()) return;
        ApplySelection(*colorList_, Selection{{entry}, entry});
    });
    previews_.emplace_back(preview);
    preview->show();
    return preview;
}

std::vector<PreviewWindow*> MainWindow::Previews() const {
    std::vector<PreviewWindow*> open;
    for (const QPointer<PreviewWindow>& preview : previews_) {
        if (preview != nullptr && preview->isVisible()) open.push_back(preview);
    }
    return open;
}

void MainWindow::SchedulePreviewRefresh() {
    if (previewRefreshPending_ || previews_.empty()) return;
    previewRefreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        previewRefreshPending_ = false;
        RefreshPreviews();
    });
}

// While a job runs the table and the records are half made; its end refreshes again.
void MainWindow::RefreshPreviews() {
    if (workspace_->Busy()) return;
    std::erase_if(previews_, [](const QPointer<PreviewWindow>& p) { return p == nullptr; });
    const tintwell::FileList& files = workspace_->Files();
    const std::vector<int> marked = SelectionOf(*colorList_).rows;
    for (PreviewWindow* preview : Previews()) {
        const auto record = std::find_if(files.begin(), files.end(), [&](const FileRecord& r) {
            return r.path == preview->Path();
        });
        if (record == files.end()) {
            preview->close();
            continue;
        }
        // Read again in another mode, the file's pixels may be numbered otherwise.
        if (!SameNumbering(preview->Rule(), record->rule)) {
            FilePixels pixels = ReadFilePixels(*record);
            if (pixels.error != Msg::None) {
                preview->close();
                continue;
            }
            preview->SetRule(record->rule);
            preview->SetPixels(std::move(pixels));
        }
        preview->SetOutput(OutputOf(*record, workspace_->Table(), workspace_->Palette()));
        preview->SetMarkedEntries(marked);
    }
}

void MainWindow::ClosePreviews() {
    for (PreviewWindow* preview : Previews())
        preview->close();
    previews_.clear();
}

void MainWindow::OnHelp() {
    if (workspace_->Busy()) return;
    if (help_ == nullptr) {
        help_ = new HelpDialog(this);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

}  // namespace tintwell
