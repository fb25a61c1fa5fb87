#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "jobs/dropped_items.h"
#include "jobs/job_state.h"
#include "jobs/scan_file.h"

namespace tintwell {

// The add phase: a drop of files and folders, or the listed files read again after the
// palette settings changed. Every file to read is handed to the workers at once; their scans
// arrive in any order and are applied here, on the owner thread, in the order of the items,
// so colors enter the table as the files come. At most kMaxFiles scans of a few kilobytes
// each wait. The view hears what became of every item (WorkspaceView::FileAdded).
class AddFilesJob final : public Job {
  public:
    // A drop: every folder stands for the image files in it. Items that cannot be listed
    // files are skipped or refused in their turn without being read.
    static std::unique_ptr<AddFilesJob> Add(JobContext& context,
                                            const std::vector<std::string>& dropped);
    // The listed files read again with the current settings and table; one that fails now
    // leaves the list. It cannot stop: its files' maps point into a table already reset.
    static std::unique_ptr<AddFilesJob> Reanalyse(JobContext& context);

    void Start() override;
    void Store(JobResult& result) override;
    [[nodiscard]] bool Advance() override;

  private:
    enum class Kind { Add, Reanalyse };
    AddFilesJob(JobContext& context, Kind kind) : c_(context), kind_(kind) {}

    // One item of a drop, in its turn; false stops the drop.
    bool AddItem(std::size_t item, const FileScan& scan);
    // One listed file read again, in its turn.
    void ReanalyseItem(std::size_t item, const FileScan& scan);
    void Refuse(std::size_t item, Msg msg, std::string detail);
    void Skip(std::size_t item, SkipReason reason);
    // Whether the item is read at all: a drop reads only what can become a listed file.
    [[nodiscard]] bool Wanted(const DroppedItem& item) const;

    JobContext& c_;
    Kind kind_;
    std::vector<DroppedItem> items_;
    std::vector<std::optional<FileScan>> scans_;  // arrived and not yet applied
    std::size_t next_ = 0;                        // the next item to apply
    int total_ = 0;                               // the progress total
    int removed_ = 0;  // re-analysis: files that failed and left the list
};

// Fills a record's analysis from its file's scan: the fingerprint, the true-color rule and
// the formats; the map into the table comes from MapScan.
void FillRecord(FileRecord& record, const FileScan& scan);

}  // namespace tintwell
