#include "jobs/color_edit_session.h"

#include <algorithm>

namespace tintwell {

ColorRef ColorRefOf(const ColorSlot& slot) {
    return static_cast<ColorRef>(slot.red) | (static_cast<ColorRef>(slot.green) << 8) |
           (static_cast<ColorRef>(slot.blue) << 16);
}

ColorRef ColorRefFromEdits(int red, int green, int blue) {
    return (static_cast<ColorRef>(red) & 0xFF) | ((static_cast<ColorRef>(green) & 0xFF) << 8) |
           ((static_cast<ColorRef>(blue) & 0xFF) << 16);
}

ColorEditSession::ColorEditSession(ColorTable& table, WorkspaceView& view, int currentIndex)
    : table_(table), view_(view), count_(table.ColorCount()), current_(currentIndex) {
    colors_.resize(2 * static_cast<std::size_t>(count_));
    for (int i = 0; i < count_; ++i) {
        colors_[i] = colors_[count_ + i] = ColorRefOf(table_.AtPosition(i));
    }
}

ColorRef ColorEditSession::WorkingColor(int position) const {
    return colors_[position];
}

ColorRef ColorEditSession::OpeningColor(int position) const {
    return colors_[count_ + position];
}

bool ColorEditSession::TakeEdits(int red, int green, int blue) {
    const ColorRef edited = ColorRefFromEdits(red, green, blue);
    if (edited == colors_[current_]) return false;
    colors_[current_] = edited;
    return true;
}

bool ColorEditSession::Apply(int red, int green, int blue) {
    if (!TakeEdits(red, green, blue)) return false;
    WriteSlot(current_, colors_[current_]);
    view_.ColorListRepaint();
    return true;
}

ColorRef ColorEditSession::Undo() {
    colors_[current_] = OpeningColor(current_);
    WriteSlot(current_, colors_[current_]);
    view_.ColorListRepaint();
    return colors_[current_];
}

ColorEditSession::SwitchResult ColorEditSession::SwitchTo(int requested, int red, int green,
                                                          int blue) {
    Apply(red, green, blue);
    SwitchResult result;
    result.previousIndex = current_;
    view_.SetRowSelected(ListId::Colors, current_, false);
    current_ = std::clamp(requested, 0, count_ - 1);
    view_.SetRowSelected(ListId::Colors, current_, true);
    result.currentIndex = current_;
    result.color = colors_[current_];
    return result;
}

void ColorEditSession::Ok(int red, int green, int blue) {
    TakeEdits(red, green, blue);
    for (int i = 0; i < count_; ++i)
        WriteSlot(i, colors_[i]);
    view_.ColorListRepaint();
}

void ColorEditSession::Cancel() {
    for (int i = 0; i < count_; ++i)
        WriteSlot(i, OpeningColor(i));
    view_.ColorListRepaint();
}

void ColorEditSession::WriteSlot(int position, ColorRef color) {
    ColorSlot& slot = table_.Slot(table_.ListOrder(position));
    slot.red = static_cast<std::uint8_t>(color);
    slot.green = static_cast<std::uint8_t>(color >> 8);
    slot.blue = static_cast<std::uint8_t>(color >> 16);
}

}  // namespace tintwell
