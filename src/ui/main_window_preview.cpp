// The main window's previews and the file list's usage marks: opened from the file list or
// drawn from the color selection, both kept up to date with the table and the files.
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "jobs/color_usage.h"
#include "jobs/preview_job.h"
#include "ui/color_list_model.h"
#include "ui/file_list_model.h"
#include "ui/list_view.h"
#include "ui/main_window.h"
#include "ui/preview_pixels.h"
#include "ui/preview_window.h"

namespace tintwell {

// A double click on a file row opens its preview; every change of the table, the file list,
// the depth or the color selection brings the open previews and the usage marks up to date.
void MainWindow::ConnectPreviews() {
    connect(fileList_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenPreview(index.row()); });
    // The previews and the usage marks follow the table and the file list.
    const auto refresh = [this] { ScheduleRefresh(); };
    connect(colorModel_, &QAbstractItemModel::dataChanged, this, refresh);
    connect(colorModel_, &QAbstractItemModel::layoutChanged, this, refresh);
    connect(colorModel_, &QAbstractItemModel::rowsInserted, this, refresh);
    connect(colorModel_, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(colorModel_, &QAbstractItemModel::modelReset, this, refresh);
    connect(fileModel_, &QAbstractItemModel::rowsInserted, this, refresh);
    connect(fileModel_, &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(fileModel_, &QAbstractItemModel::modelReset, this, refresh);
    connect(Button(ControlId::OutputDepth), &QPushButton::clicked, this, refresh);
    connect(&view_, &QtWorkspaceView::jobFinished, this, refresh);
    connect(colorList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, refresh);
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
    // The window shows at once and reads the file on a worker; the list stays usable.
    auto* preview = new PreviewWindow(record.path, this);
    preview->SetOutput(OutputOf(record, workspace_->Table(), workspace_->Palette()));
    preview->SetMarkedEntries(SelectionOf(*colorList_).rows);
    connect(preview, &PreviewWindow::entryPicked, this, [this](int entry) {
        if (workspace_->Busy() || entry >= workspace_->ColorCount()) return;
        ApplySelection(*colorList_, Selection{{entry}, entry});
    });
    connect(preview, &PreviewWindow::loadFailed, this,
            [this, path = record.path](Msg error) { view_.ShowMessage(error, path); });
    preview->Load(PreviewRequestFor(record));
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

void MainWindow::ScheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        RefreshPreviews();
        RefreshUsage();
    });
}

// From the files' maps and counts that the analysis keeps: one pass over 256 indices a file.
// While a job runs the maps are half made and nothing is marked; its end refreshes again.
void MainWindow::RefreshUsage() {
    const std::vector<int> rows = SelectionOf(*colorList_).rows;
    if (workspace_->Busy() || rows.empty()) {
        fileModel_->SetUsage({});
        return;
    }
    fileModel_->SetUsage(PixelsOfRows(workspace_->Files(), workspace_->Table(), rows));
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
        if (!SameNumbering(preview->Rule(), record->rule))
            preview->Load(PreviewRequestFor(*record));
        preview->SetOutput(OutputOf(*record, workspace_->Table(), workspace_->Palette()));
        preview->SetMarkedEntries(marked);
    }
}

void MainWindow::ClosePreviews() {
    for (PreviewWindow* preview : Previews())
        preview->close();
    previews_.clear();
}

}  // namespace tintwell
