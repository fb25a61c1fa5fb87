#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "jobs/settings.h"
#include "jobs/workspace.h"
#include "ui/list_view.h"
#include "ui/qt_workspace_view.h"

class QPushButton;
class QTreeView;

namespace tintwell {

class ColorListModel;
class DialogUnits;
class FileListModel;
class HelpDialog;
class PreviewWindow;
class StatusField;

// The main window (template 102, "Tintwell"): both lists, the buttons, StatusField. It turns
// Qt events into the Workspace's commands and shows the Workspace's state through its view;
// every rule lives in the Workspace. Fixed size, minimise and close, no maximise. Enter does
// nothing; Escape and the close box close it and keep its position, except while a job runs.
class MainWindow final : public QDialog {
    Q_OBJECT
  public:
    // `settings`: as read at start-up; the window position is corrected by Initialise.
    MainWindow(const Settings& settings, WorkspaceOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads both fixed palettes (each may show its message), sets up lists and controls, and
    // moves the window to the stored position corrected against `desktop`.
    void Initialise(const QRect& desktop);
    // Files named on the command line or dropped: added as one drop. False when busy.
    bool DropFiles(const QStringList& paths);
    // The six values to keep, with the window's position as it was last closed.
    [[nodiscard]] Settings ExportSettings() const;

    [[nodiscard]] Workspace& workspace() { return *workspace_; }
    [[nodiscard]] QtWorkspaceView& view() { return view_; }
    [[nodiscard]] QWidget* Control(ControlId id) const;
    [[nodiscard]] QTreeView* FileList() const { return fileList_; }
    [[nodiscard]] QTreeView* ColorList() const { return colorList_; }
    [[nodiscard]] StatusField* Status() const { return status_; }
    [[nodiscard]] QPushButton* Button(ControlId id) const;
    // A double click on file row `row`: its preview, raised when already open, else a new one
    // that reads the file on a worker (a file that cannot be read closes it and shows its
    // message). Nothing while a job runs.
    PreviewWindow* OpenPreview(int row);
    // The previews still open, in the order they were opened.
    [[nodiscard]] std::vector<PreviewWindow*> Previews() const;

    // The dialog-unit size of the client area and the control rectangles of the template.
    static constexpr int kWidthDu = 317;
    static constexpr int kHeightDu = 206;

  public slots:
    void accept() override;
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildButtons(const DialogUnits& du);
    void AttachView();
    void ConnectControls();
    void OnPaletteSettings();
    void OnMerge();
    void OnColorListDblClk();
    void OnOutput();
    void OnSavePalette();
    void OnHelp();
    void OnColorColumnClick(int column);
    [[nodiscard]] QStringList PaletteTitles() const;
    void ConnectPreviews();
    // Every change of the table, the file list or the color selection brings the previews
    // and the file list's usage marks up to date once the change is whole: after the
    // current event, and after a job's end.
    void ScheduleRefresh();
    void RefreshPreviews();
    // The file list marks the files that use the selected colors, with their pixel counts.
    void RefreshUsage();
    void ClosePreviews();

    QtWorkspaceView view_;
    Settings settings_;
    FileListModel* fileModel_ = nullptr;
    ColorListModel* colorModel_ = nullptr;
    QTreeView* fileList_ = nullptr;
    QTreeView* colorList_ = nullptr;
    StatusField* status_ = nullptr;
    std::map<ControlId, QWidget*> controls_;
    QPointer<HelpDialog> help_;
    std::vector<QPointer<PreviewWindow>> previews_;
    bool refreshPending_ = false;
    bool applyingSelection_ = false;  // the window puts back a selection the Workspace chose
    // Last, so it is destroyed first: a running job ends while the widgets still exist.
    std::unique_ptr<Workspace> workspace_;
};

// The program's icon from the resources: 16, 32 and 48 pixels (the SVG is installed for the
// desktop; reading it here would need Qt's SVG module).
[[nodiscard]] QIcon ApplicationIcon();

}  // namespace tintwell
