#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "palette/palette_file.h"
#include "palette/palette_settings.h"

namespace tintwell {

// The two radio buttons of the palette-save dialog.
enum class PaletteSaveChoice {
    Overwrite = 0,  // rewrite the current palette file of the output depth
    NewName = 1,    // save under the name typed, which becomes the current one
};

// Which palette name a save writes: the one of the fixed palette of the output depth.
enum class PaletteNameSetting { Pal256, Pal16, None };

// Pal16 for depth 16, Pal256 for depth 256, None (message 245) for anything else.
[[nodiscard]] PaletteNameSetting PaletteSettingForDepth(int outputDepth);

// Whether the dialog offers to overwrite the current file: only when the mode is the fixed
// mode of the output depth and that palette comes from a named file. Otherwise the dialog
// opens on NewName with the overwrite choice disabled.
[[nodiscard]] bool OverwriteChoiceOffered(PaletteMode mode, int outputDepth,
                                          const std::string& pal256Name,
                                          const std::string& pal16Name);

// Whether the save button is enabled: always for Overwrite; for NewName only when the name
// holds more than white space (a blank name would silently mean "no new name").
[[nodiscard]] bool SaveButtonEnabled(PaletteSaveChoice choice, std::string_view nameText);

// Whether OK has to ask message 246 first: NewName with a name whose palette file exists
// in the palette folder.
[[nodiscard]] bool PaletteOverwriteQuestionNeeded(const std::filesystem::path& paletteDir,
                                                  PaletteSaveChoice choice,
                                                  std::string_view nameText);

// The palette name a new name typed in the dialog is saved under in `format`: an .act keeps
// the name as typed (".act" is appended to form the file, even to "x.act"); another format
// gets its extension unless the name already ends in it, in any letter case. A name that
// ends in the extension of a format other than the one chosen keeps it, and so its format:
// the dialog's choice follows the typed extension. A blank name stays blank.
[[nodiscard]] std::string PaletteSaveName(std::string_view nameText, PaletteFormat format);

}  // namespace tintwell
