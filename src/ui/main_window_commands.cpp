// The main window's commands: files dropped, the buttons and the color column clicks.
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include "palette/palette_file.h"
#include "ui/color_edit_dialog.h"
#include "ui/help_dialog.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/output_dir_dialog.h"
#include "ui/palette_save_dialog.h"
#include "ui/palette_settings_dialog.h"
#include "ui/utf8_text.h"

namespace tintwell {

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
        // The system's spelling (C:\pics on Windows), so that the files a dropped folder
        // brings are named with one kind of separator throughout.
        if (url.isLocalFile()) paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    }
    if (paths.isEmpty()) return;
    if (DropFiles(paths)) event->acceptProposedAction();
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
        titles.append(FromUtf8(name));
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
    OutputDirDialog dialog(FromUtf8(workspace_->OutDir()), this);
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
