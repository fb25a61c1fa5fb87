#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>

#include "ui/color_list_model.h"
#include "ui/dialog_units.h"
#include "ui/file_list_model.h"
#include "ui/list_view.h"
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
    ConnectPreviews();
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

}  // namespace tintwell
