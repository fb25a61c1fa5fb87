#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

#include "jobs/workspace_view.h"
#include "ui/refusal_list_dialog.h"

class QAbstractItemView;
class QPushButton;
class QWidget;

namespace tintwell {

class ColorListModel;
class FileListModel;
class StatusField;

// The widgets the view changes for the Workspace.
struct ViewWidgets {
    QWidget* window = nullptr;  // parent of the message boxes, redrawn at the end of a job
    FileListModel* fileModel = nullptr;
    ColorListModel* colorModel = nullptr;
    QAbstractItemView* fileList = nullptr;
    QAbstractItemView* colorList = nullptr;
    StatusField* status = nullptr;
    QPushButton* paletteButton = nullptr;  // 1015
    QPushButton* depthButton = nullptr;    // 1025
    std::map<ControlId, QWidget*> controls;
};

// The Workspace's view in the window: row changes go to the two models, control changes to
// the widgets, messages to message boxes. Everything runs on the GUI thread but
// ResultsWaiting, which a job's worker calls: it emits resultsWaiting, whose queued
// connection has the GUI thread apply the results, so no widget is touched from a worker
// and no worker waits for the window.
class QtWorkspaceView final : public QObject, public WorkspaceView {
    Q_OBJECT
  public:
    // Shows a message's text (DialogMessages::Text); the default is DialogMessages, which
    // shows every message box of the window.
    using MessagePresenter = std::function<void(Msg msg, const QString& text)>;
    // Shows the refusals of a drop after its first; the default is the RefusalListDialog.
    using RefusalListPresenter = std::function<void(const QList<Refusal>& refusals)>;
    // Asks the overwrite question; the default is the overwrite dialog.
    using OverwritePresenter = std::function<OverwriteAnswer(const QString& path)>;

    explicit QtWorkspaceView(QObject* parent = nullptr);
    ~QtWorkspaceView() override;

    void Attach(const ViewWidgets& widgets);
    // Tests replace the boxes so that nothing modal waits for a click.
    void SetMessagePresenter(MessagePresenter presenter) { showMessage_ = std::move(presenter); }
    void SetOverwritePresenter(OverwritePresenter presenter) {
        askOverwrite_ = std::move(presenter);
    }
    void SetRefusalListPresenter(RefusalListPresenter presenter) {
        showRefusals_ = std::move(presenter);
    }

    // The next job is a drop: its first message is shown as always, the ones after it and
    // every file it skipped are kept and shown together in one list once the job has ended
    // (and the window is no longer busy). Ended by JobFinished, or by EndRefusalList when
    // the drop did not start.
    void CollectRefusals();
    void EndRefusalList();

    void FileRowInserted(int row, const std::string& text) override;
    void FileRowTextChanged(int row, const std::string& text) override;
    void FileRowAboutToBeRemoved(int row) override;
    void FileRowRemoved(int row) override;
    void FileRowsAboutToBeCleared() override;
    void FileRowsCleared() override;
    void ColorRowInserted(int row) override;
    void ColorRowAboutToBeRemoved(int row) override;
    void ColorRowRemoved(int row) override;
    void ColorRowsAboutToBeCleared() override;
    void ColorRowsCleared() override;
    void ColorOrderAboutToChange() override;
    void ColorOrderChanged() override;
    void ColorListRepaint() override;
    void HeaderTextChanged(ListId list, int column, const std::string& text) override;
    void ControlEnabledChanged(ControlId id, bool enabled) override;
    void ControlTextChanged(ControlId id, const std::string& text) override;
    void DrawProgress(int step, int total) override;
    void SetRowSelected(ListId list, int row, bool selected) override;
    void ClearSelections() override;
    void ScrollToTop(ListId list) override;
    void RedrawWindow() override;
    void ShowMessage(Msg msg, const std::string& path) override;
    void RefusalDetail(std::string_view detail) override;
    void FileAdded(const AddOutcome& added) override;
    OverwriteAnswer AskOverwrite(const std::string& path) override;
    void JobFinished() override;
    void ResultsWaiting() override;

  signals:
    // Emitted on the GUI thread after the progress was drawn, and when a job has ended.
    void progressDrawn(int step, int total);
    void jobFinished();
    // Emitted on a worker thread: connect it queued (see MainWindow).
    void resultsWaiting();

  private:
    [[nodiscard]] QAbstractItemView* List(ListId list) const;

    ViewWidgets w_;
    MessagePresenter showMessage_;
    OverwritePresenter askOverwrite_;
    RefusalListPresenter showRefusals_;
    bool collecting_ = false;
    bool firstShown_ = false;
    QList<Refusal> refusals_;
    QString detail_;  // the reason for the refusal that the next message shows
};

}  // namespace tintwell
