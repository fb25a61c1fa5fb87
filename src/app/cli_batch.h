#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli_options.h"
#include "app/cli_view.h"
#include "jobs/workspace.h"

namespace tintwell::cli {

class Batch {
  public:
    Batch(Options options, std::ostream& out, std::ostream& err, bool progress)
        : o_(std::move(options)),
          out_(out),
          err_(err),
          view_(files_, err, o_.force, progress && !o_.quiet) {}
    ~Batch() { SetRunning(nullptr); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    int Run();

  private:
    // How the output step ended.
    enum class OutputEnd {
        Done,      // every file was taken in turn
        Stopped,   // a file ended the job (same file, cannot open or create); later ones not
        NotBegun,  // nothing could be written at all
    };

    bool TakeFiles();
    bool Setup();
    void Analyse();
    void Sort();
    OutputEnd Output();
    void ExplainColorsDoNotFit(int colors, int depth);
    bool MakeOutputFolder();
    bool SavePalette();
    void RefuseAll(const std::string& why);
    int Interrupted();
    void PrintSummary();
    void PrintJson();
    [[nodiscard]] std::string PaletteJson() const;

    Options o_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<FileEntry> files_;  // in base-name order, the order of the drop
    FileEntry palette_;             // what became of the --save-palette file
    CliView view_;
    std::optional<Workspace> ws_;
};

}  // namespace tintwell::cli
