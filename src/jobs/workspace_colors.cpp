#include <algorithm>
#include <cstdint>
#include <utility>

#include "jobs/workspace.h"

namespace tintwell {
namespace {

// The selection as the list can hold it: rows that exist, each once, ascending; a focus
// outside the list is no focus.
Selection Normalised(const Selection& selection, int rowCount) {
    Selection result;
    for (int row : selection.rows) {
        if (row >= 0 && row < rowCount) result.rows.push_back(row);
    }
    std::sort(result.rows.begin(), result.rows.end());
    result.rows.erase(std::unique(result.rows.begin(), result.rows.end()), result.rows.end());
    result.focus = selection.focus >= 0 && selection.focus < rowCount ? selection.focus : -1;
    return result;
}

bool IsSelected(const Selection& selection, int row) {
    return std::binary_search(selection.rows.begin(), selection.rows.end(), row);
}

// One row of a sort: its key, its slot and whether it was selected or focused, so that
// selection and focus travel with the color.
struct SortRecord {
    std::uint64_t key = 0;
    int slot = 0;
    bool selected = false;
    bool focused = false;
};

// The rows with their sort keys: pixel counts (column 1) or squared RGB distances to the
// focused or only selected row (column 0; nothing without exactly one selected row).
std::optional<std::vector<SortRecord>> SortRecords(const ColorTable& table, int column,
                                                   const Selection& current) {
    const int count = table.ColorCount();
    std::vector<SortRecord> records(static_cast<std::size_t>(count));
    if (column == 1) {
        for (int p = 0; p < count; ++p) {
            records[p].key = static_cast<std::uint64_t>(
                std::max<std::int64_t>(table.AtPosition(p).pixelCount, 0));
        }
    } else {
        if (current.rows.size() != 1) return std::nullopt;
        // The focused row is the reference; with no focus, the one selected row is.
        const ColorSlot& reference =
            table.AtPosition(current.focus >= 0 ? current.focus : current.rows.front());
        for (int p = 0; p < count; ++p) {
            const ColorSlot& entry = table.AtPosition(p);
            const std::int64_t dr = entry.red - reference.red;
            const std::int64_t dg = entry.green - reference.green;
            const std::int64_t db = entry.blue - reference.blue;
            records[p].key = static_cast<std::uint64_t>(dr * dr + dg * dg + db * db);
        }
    }
    for (int p = 0; p < count; ++p) {
        records[p].slot = table.ListOrder(p);
        records[p].selected = IsSelected(current, p);
        records[p].focused = p == current.focus;
    }
    return records;
}

}  // namespace

std::optional<Selection> Workspace::OnColorColumnClick(int column, const Selection& selection) {
    if (Busy() || settings_.mode != PaletteMode::RgbBits) return std::nullopt;
    if (column != 0 && column != 1) return std::nullopt;
    // Both columns flip the toggle, so a color-column click turns the next pixel sort round.
    sortToggle_ = 1 - sortToggle_;
    const Selection current = Normalised(selection, ColorCount());
    const int count = ColorCount();

    const bool descending = column == 1 && sortToggle_ == 1;
    auto sorted = SortRecords(table_, column, current);
    if (!sorted) return std::nullopt;
    std::vector<SortRecord>& records = *sorted;
    // Equal keys keep their order; any order would do, but a stable one is reproducible.
    std::stable_sort(records.begin(), records.end(),
                     [descending](const SortRecord& a, const SortRecord& b) {
                         return descending ? a.key > b.key : a.key < b.key;
                     });

    Selection after;
    int newFocus = -1;
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int j = 0; j < count; ++j) {
        order[j] = records[j].slot;
        if (records[j].selected) {
            after.rows.push_back(j);
            // The focus moves only with a row that was focused and selected.
            if (records[j].focused) newFocus = j;
        }
    }
    after.focus = newFocus >= 0 ? newFocus : current.focus;
    view_.ColorOrderAboutToChange();
    table_.SetListOrder(std::move(order));
    view_.ColorOrderChanged();

    if (column == 0) {
        // The list then behaves as after a click on row 0: it alone is selected and focused.
        after = Selection{{0}, 0};
        OnColorListClick(after);
    }
    if (newFocus >= 0 && after.rows.size() > 1) {
        controls_.SetText(ControlId::StatusField,
                          FormatNumbers(Msg::MergeStatus,
                                        {static_cast<long long>(after.rows.size()) - 1, newFocus}));
    }
    view_.ScrollToTop(ListId::Colors);
    view_.ColorListRepaint();
    return after;
}

void Workspace::OnColorListClick(const Selection& selection) {
    if (Busy() || settings_.mode != PaletteMode::RgbBits) return;
    const Selection current = Normalised(selection, ColorCount());
    const auto n = static_cast<long long>(current.rows.size());
    if (n > 1 && current.focus >= 0 && IsSelected(current, current.focus)) {
        controls_.SetText(ControlId::StatusField,
                          FormatNumbers(Msg::MergeStatus, {n - 1, current.focus}));
        controls_.SetEnabled(ControlId::Merge, true);
    } else {
        controls_.SetText(ControlId::StatusField, "");
        controls_.SetEnabled(ControlId::Merge, false);
    }
}

bool Workspace::OnMerge(const Selection& selection) {
    // Only the bit-reduction mode merges, as only there the button is enabled: in a fixed
    // mode the freed slot would stay in the nearest-color search and later files would map
    // to a color that is no longer listed.
    if (Busy() || settings_.mode != PaletteMode::RgbBits) return false;
    const Selection current = Normalised(selection, ColorCount());
    if (current.rows.size() <= 1 || current.focus < 0 || !IsSelected(current, current.focus)) {
        view_.ShowMessage(Msg::MergeInternalError, {});
        return false;
    }
    mergeTarget_ = current.focus;
    // A merge is one pass over the selected rows and the files' maps, far quicker than a
    // hand-over to a worker, so it runs here as a whole and is over when this returns.
    MergeJob(current.rows);
    return true;
}

void Workspace::MergeJob(const std::vector<int>& rows) {
    const int total = 2 * static_cast<int>(rows.size());
    controls_.EnterBusy(false);
    controls_.DrawProgress(-1, total);
    std::vector<char> marks(static_cast<std::size_t>(ColorCount()), 0);
    std::vector<char> mergedSlots(kSlotCount, 0);
    const int target = table_.ListOrder(mergeTarget_);

    int step = 0;
    for (int row : rows) {
        controls_.DrawProgress(step++, total);
        controls_.AnswerAbortAndGoOn();
        if (row == mergeTarget_) continue;
        marks[row] = 1;
        const int source = table_.ListOrder(row);
        mergedSlots[source] = 1;
        table_.Slot(target).pixelCount += table_.Slot(source).pixelCount;
        table_.FreeSlot(source);
    }
    // Only used indices carry meaning; unused ones hold 0 and stay 0, so a file that never
    // used a merged color keeps its map as it was.
    for (FileRecord& file : files_) {
        for (int k = 0; k < kFileIndexCount; ++k) {
            if (file.indexCounts[k] != 0 && mergedSlots[file.indexMap[k]] != 0) {
                file.indexMap[k] = target;
            }
        }
    }
    view_.SetRowSelected(ListId::Colors, mergeTarget_, false);
    view_.ScrollToTop(ListId::Colors);
    // From the last row up, so the rows still to be removed keep their positions; the
    // remaining colors keep their order.
    for (int row = static_cast<int>(marks.size()) - 1; row >= 0; --row) {
        if (marks[row] == 0) continue;
        controls_.AnswerAbortAndGoOn();
        controls_.DrawProgress(step++, total);
        table_.RemoveAt(row);
    }
    controls_.AnswerAbortAndGoOn();
    controls_.LeaveBusy();
    controls_.RefreshColorList();
    view_.JobFinished();
}

std::optional<ColorEditSession> Workspace::OnColorListDblClk(const Selection& selection) {
    if (Busy()) return std::nullopt;
    const Selection current = Normalised(selection, ColorCount());
    if (current.rows.empty() || current.focus < 0) return std::nullopt;
    return ColorEditSession(table_, view_, current.focus);
}

}  // namespace tintwell
