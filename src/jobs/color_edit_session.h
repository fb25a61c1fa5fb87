#pragma once

#include <cstdint>
#include <vector>

#include "jobs/workspace_view.h"
#include "palette/color_table.h"

namespace tintwell {

// A color as the system color chooser holds it: 0x00BBGGRR, red in the low byte.
using ColorRef = std::uint32_t;

// The chooser value of a slot's color.
[[nodiscard]] ColorRef ColorRefOf(const ColorSlot& slot);
// The chooser value of its red, green and blue edit boxes; only their low 8 bits count.
[[nodiscard]] ColorRef ColorRefFromEdits(int red, int green, int blue);

// The effect of the color edit dialog on the table. While it is open it holds a working and
// an opening color for every list position; Apply, Undo and a switch write working colors
// into their slots at once, OK writes them all, Cancel writes every opening color back.
// Only the red, green and blue bytes of slots change: never counts, order or file maps.
// The list must not change while a session is open (the dialog is modal).
class ColorEditSession {
  public:
    // Opens on list position `currentIndex` (the focused row) with the whole list.
    ColorEditSession(ColorTable& table, WorkspaceView& view, int currentIndex);

    [[nodiscard]] int CurrentIndex() const { return current_; }
    // N: the number of colors when the session opened.
    [[nodiscard]] int Count() const { return count_; }
    [[nodiscard]] ColorRef WorkingColor(int position) const;
    [[nodiscard]] ColorRef OpeningColor(int position) const;

    // Takes the edit boxes into the current working color; true when that changed it.
    bool TakeEdits(int red, int green, int blue);
    // Apply: takes the edits and, when they changed the color, writes it into its slot and
    // repaints. Returns whether anything was written.
    bool Apply(int red, int green, int blue);
    // Undo: the current entry gets its opening color back, in the session and the slot.
    // Returns it, for the chooser to show.
    ColorRef Undo();

    struct SwitchResult {
        int previousIndex = 0;
        int currentIndex = 0;
        ColorRef color = 0;  // the new current working color, for the chooser
    };
    // Moves the editing to `requested`, clamped to 0..N-1, after applying the edits of the
    // color being left. The row left is unselected and the new row selected in the view.
    SwitchResult SwitchTo(int requested, int red, int green, int blue);

    // OK: takes the edits (typed but not applied counts) and writes every working color.
    void Ok(int red, int green, int blue);
    // Cancel: writes every opening color back.
    void Cancel();

  private:
    void WriteSlot(int position, ColorRef color);

    ColorTable& table_;
    WorkspaceView& view_;
    int count_;
    int current_;
    std::vector<ColorRef> colors_;  // working colors 0..N-1, then opening colors N..2N-1
};

}  // namespace tintwell
