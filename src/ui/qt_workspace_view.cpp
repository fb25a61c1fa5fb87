#include "ui/qt_workspace_view.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <utility>

#include "ui/color_list_model.h"
#include "ui/dialog_messages.h"
#include "ui/file_list_model.h"
#include "ui/overwrite_dialog.h"
#include "ui/status_field.h"
#include "ui/utf8_text.h"

namespace tintwell {
QtWorkspaceView::QtWorkspaceView(QObject* parent) : QObject(parent) {
    showMessage_ = [this](Msg msg, const QString& text) {
        DialogMessages::Current().ShowText(w_.window, msg, text);
    };
    askOverwrite_ = [this](const QString& path) { return OverwriteDialog::Ask(path, w_.window); };
    showRefusals_ = [this](const QList<Refusal>& refusals) {
        RefusalListDialog dialog(refusals, w_.window);
        dialog.exec();
    };
}

QtWorkspaceView::~QtWorkspaceView() = default;

void QtWorkspaceView::Attach(const ViewWidgets& widgets) {
    w_ = widgets;
}

QAbstractItemView* QtWorkspaceView::List(ListId list) const {
    return list == ListId::Files ? w_.fileList : w_.colorList;
}

void QtWorkspaceView::FileRowInserted(int row, const std::string& text) {
    if (w_.fileModel != nullptr) w_.fileModel->InsertRow(row, FromUtf8(text));
}
void QtWorkspaceView::FileRowTextChanged(int row, const std::string& text) {
    if (w_.fileModel != nullptr) w_.fileModel->SetRowText(row, FromUtf8(text));
}
void QtWorkspaceView::FileRowAboutToBeRemoved(int row) {
    if (w_.fileModel != nullptr) w_.fileModel->BeginRemoveRow(row);
}
void QtWorkspaceView::FileRowRemoved(int) {
    if (w_.fileModel != nullptr) w_.fileModel->EndRemoveRow();
}
void QtWorkspaceView::FileRowsAboutToBeCleared() {
    if (w_.fileModel != nullptr) w_.fileModel->BeginClear();
}
void QtWorkspaceView::FileRowsCleared() {
    if (w_.fileModel != nullptr) w_.fileModel->EndClear();
}
void QtWorkspaceView::ColorRowInserted(int row) {
    if (w_.colorModel != nullptr) w_.colorModel->RowAppended(row);
}
void QtWorkspaceView::ColorRowAboutToBeRemoved(int row) {
    if (w_.colorModel != nullptr) w_.colorModel->BeginRemoveRow(row);
}
void QtWorkspaceView::ColorRowRemoved(int) {
    if (w_.colorModel != nullptr) w_.colorModel->EndRemoveRow();
}
void QtWorkspaceView::ColorRowsAboutToBeCleared() {
    if (w_.colorModel != nullptr) w_.colorModel->BeginClear();
}
void QtWorkspaceView::ColorRowsCleared() {
    if (w_.colorModel != nullptr) w_.colorModel->EndClear();
}
void QtWorkspaceView::ColorOrderAboutToChange() {
    if (w_.colorModel != nullptr) w_.colorModel->BeginReorder();
}
void QtWorkspaceView::ColorOrderChanged() {
    if (w_.colorModel != nullptr) w_.colorModel->EndReorder();
}
void QtWorkspaceView::ColorListRepaint() {
    if (w_.colorModel != nullptr) w_.colorModel->Repaint();
}

void QtWorkspaceView::HeaderTextChanged(ListId list, int column, const std::string& text) {
    if (list == ListId::Files) {
        if (w_.fileModel != nullptr) w_.fileModel->SetHeader(FromUtf8(text));
    } else if (w_.colorModel != nullptr) {
        w_.colorModel->SetHeader(column, FromUtf8(text));
    }
}

void QtWorkspaceView::ControlEnabledChanged(ControlId id, bool enabled) {
    const auto it = w_.controls.find(id);
    if (it != w_.controls.end() && it->second != nullptr) it->second->setEnabled(enabled);
}

void QtWorkspaceView::ControlTextChanged(ControlId id, const std::string& text) {
    switch (id) {
        case ControlId::PaletteSettings:
            if (w_.paletteButton != nullptr) w_.paletteButton->setText(FromUtf8(text));
            break;
        case ControlId::OutputDepth:
            if (w_.depthButton != nullptr) w_.depthButton->setText(FromUtf8(text));
            break;
        case ControlId::StatusField:
            if (w_.status != nullptr) w_.status->ShowText(FromUtf8(text));
            break;
        default:
            break;
    }
}

void QtWorkspaceView::DrawProgress(int step, int total) {
    if (w_.status != nullptr) w_.status->DrawProgress(step, total);
    emit progressDrawn(step, total);
}

void QtWorkspaceView::SetRowSelected(ListId list, int row, bool selected) {
    QAbstractItemView* view = List(list);
    if (view == nullptr || view->model() == nullptr || view->selectionModel() == nullptr) return;
    const QModelIndex index = view->model()->index(row, 0);
    if (!index.isValid()) return;
    view->selectionModel()->select(
        index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                   QItemSelectionModel::Rows);
    if (selected) view->scrollTo(index);
}

void QtWorkspaceView::ClearSelections() {
    for (QAbstractItemView* view : {w_.fileList, w_.colorList}) {
        if (view != nullptr && view->selectionModel() != nullptr)
            view->selectionModel()->clearSelection();
    }
}

void QtWorkspaceView::ScrollToTop(ListId list) {
    if (QAbstractItemView* view = List(list)) view->scrollToTop();
}

void QtWorkspaceView::RedrawWindow() {
    if (w_.status != nullptr) w_.status->EndProgress();
    if (w_.window != nullptr) w_.window->update();
}

void QtWorkspaceView::ShowMessage(Msg msg, const std::string& path) {
    const QString text = DialogMessages::Text(msg, FromUtf8(path), std::exchange(detail_, {}));
    if (collecting_ && firstShown_) {
        refusals_.append(Refusal{msg, FromUtf8(path), text});
        return;
    }
    firstShown_ = true;
    showMessage_(msg, text);
}

void QtWorkspaceView::RefusalDetail(std::string_view detail) {
    detail_ = FromUtf8(detail);
}

void QtWorkspaceView::FileAdded(const AddOutcome& added) {
    if (added.kind != AddOutcome::Kind::Skipped) {
        WorkspaceView::FileAdded(added);
        return;
    }
    if (collecting_) {
        refusals_.append(
            Refusal{Msg::None, FromUtf8(added.path), RefusalListDialog::SkipText(added.skip)});
    }
}

void QtWorkspaceView::CollectRefusals() {
    collecting_ = true;
    firstShown_ = false;
    refusals_.clear();
}

void QtWorkspaceView::EndRefusalList() {
    collecting_ = false;
    firstShown_ = false;
    if (refusals_.isEmpty()) return;
    // Queued, so the job's last step returns first and the window has left the busy
    // state while the list is open.
    QMetaObject::invokeMethod(
        this, [this, refusals = std::exchange(refusals_, {})] { showRefusals_(refusals); },
        Qt::QueuedConnection);
}

OverwriteAnswer QtWorkspaceView::AskOverwrite(const std::string& path) {
    return askOverwrite_(FromUtf8(path));
}

void QtWorkspaceView::JobFinished() {
    EndRefusalList();
    emit jobFinished();
}

// Runs on a worker: only emits the signal, which a queued connection carries to the GUI
// thread.
void QtWorkspaceView::ResultsWaiting() {
    emit resultsWaiting();
}

}  // namespace tintwell
