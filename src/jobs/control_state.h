#pragma once

#include <array>
#include <string>

namespace tintwell {

// The controls of the main window whose state the Workspace keeps, by their numbers.
enum class ControlId : int {
    FileList = 1001,
    DeleteFiles = 1005,  // "消去"
    ClearAll = 1006,     // "全消去"
    ColorList = 1007,
    Output = 1009,           // "ファイル出力"
    Abort = 1010,            // "中止"
    SavePalette = 1011,      // "パレット保存"
    PaletteSettings = 1015,  // caption: the palette mode
    Merge = 1020,            // "色まとめ"
    OutputDepth = 1025,      // caption: 256 or 16
    StatusField = 1030,      // status line and progress bar
    Help = 57670,            // "ヘルプ"
};

// The two lists of the main window.
enum class ListId { Files, Colors };

// Every control whose enabled state the Workspace decides, in one place for loops.
inline constexpr std::array kSwitchableControls = {
    ControlId::FileList, ControlId::DeleteFiles, ControlId::ClearAll,    ControlId::ColorList,
    ControlId::Output,   ControlId::Abort,       ControlId::SavePalette, ControlId::PaletteSettings,
    ControlId::Merge,    ControlId::OutputDepth, ControlId::Help,
};

// What the window shows of the Workspace's controls: enabled states, captions, the status
// line and the list headers. The Workspace changes it and tells its view each change.
struct ControlStates {
    std::array<bool, kSwitchableControls.size()> enabled{};
    std::string paletteCaption;  // button 1015
    std::string depthCaption;    // button 1025
    std::string status;          // StatusField 1030
    std::string fileHeader;      // file list, column 0
    std::string colorHeader;     // color list, column 0
    std::string pixelHeader;     // color list, column 1

    // The index of a switchable control in `enabled`; -1 for the others.
    [[nodiscard]] static constexpr int IndexOf(ControlId id) {
        for (std::size_t i = 0; i < kSwitchableControls.size(); ++i) {
            if (kSwitchableControls[i] == id) return static_cast<int>(i);
        }
        return -1;
    }
    // Whether the control is enabled (false for a control that is not switchable).
    [[nodiscard]] bool Enabled(ControlId id) const {
        const int i = IndexOf(id);
        return i >= 0 && enabled[static_cast<std::size_t>(i)];
    }
};

}  // namespace tintwell
