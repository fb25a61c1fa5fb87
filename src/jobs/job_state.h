#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bitmap/image_format.h"
#include "jobs/file_io.h"
#include "jobs/native_file.h"
#include "jobs/scan_file.h"
#include "palette/color.h"

namespace tintwell {

// The owner's side of a job that scans files (a drop, a re-analysis): the scans arrive in
// any order and are applied in list order. Every file is handed to the workers at once;
// at most kMaxFiles scans of a few kilobytes each wait here.
struct ScanRun {
    enum class Kind { Add, Reanalyse };
    Kind kind = Kind::Add;
    std::vector<std::string> paths;
    std::vector<std::optional<FileScan>> scans;  // arrived and not yet applied
    std::size_t next = 0;                        // the next item to apply
    int total = 0;                               // the progress total
    int removed = 0;                             // re-analysis: files that failed and left the list
};

// The owner's side of the output job: files are taken in list order; their writes run on
// the workers, up to one per worker, and are named strictly in list order.
struct OutputRun {
    // A file handed to a worker: written under no name until the owner names it.
    struct Write {
        int row = 0;
        std::string input;
        std::string output;
        bool replace = false;  // the user agreed to replace what stands at the output
        std::shared_ptr<OutputFile> file;
        bool written = false;       // the worker is done with it; it may be being synced
        std::optional<Msg> result;  // the final answer, once durable or failed
    };

    std::string directory;
    std::vector<std::string> inputs;
    std::vector<ImageFormat> formats;  // each input's output format
    std::shared_ptr<const std::vector<Rgb>> colors;
    int depth = 256;
    // No output may take the place of any file of the list, however the two paths are
    // spelled and whatever links lead from one to the other.
    std::vector<native::FileId> inputIds;
    std::deque<Write> writing;
    std::size_t next = 0;      // the next input to take in hand
    bool takingEnded = false;  // no further input is taken (the last one, or an end)
    bool stopped = false;      // nothing more is named; writes under way are discarded
    bool overwriteAll = false;
    int written = 0;
    std::optional<std::string> lastOutput;
};

}  // namespace tintwell
