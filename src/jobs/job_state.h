#pragma once

#include "jobs/file_list.h"
#include "jobs/job_runner.h"
#include "jobs/workspace_view.h"
#include "palette/color_table.h"
#include "palette/palette_settings.h"

namespace tintwell {

class FileRows;
class WindowControls;

// What a job shares with the Workspace that runs it: the lists, the settings, the controls,
// the view and the workers. Everything here is touched on the owner thread only.
struct JobContext {
    WorkspaceView& view;
    JobRunner& runner;
    WindowControls& controls;
    FileRows& rows;
    FileList& files;
    ColorTable& table;
    const PaletteSettings& settings;
};

// A job that hands its slow part to the workers: begun by a Workspace command, handed the
// results it asked for, and taken on by the Workspace on the owner thread until it ends. A job
// owns its run state; it never needs another job's.
class Job {
  public:
    virtual ~Job() = default;
    // Enters the busy state and hands the first tasks to the workers.
    virtual void Start() = 0;
    // Keeps one of its workers' results; results of another kind are not its own.
    virtual void Store(JobResult& result) = 0;
    // Takes the job on with the results it has; true when it has ended and left the busy
    // state (the Workspace then tells the view).
    [[nodiscard]] virtual bool Advance() = 0;
};

}  // namespace tintwell
