#include "jobs/palette_save.h"

#include <system_error>

#include "jobs/text_input.h"
#include "palette/palette_file.h"

namespace tintwell {

PaletteNameSetting PaletteSettingForDepth(int outputDepth) {
    if (outputDepth == 16) return PaletteNameSetting::Pal16;
    if (outputDepth == 256) return PaletteNameSetting::Pal256;
    return PaletteNameSetting::None;
}

bool OverwriteChoiceOffered(PaletteMode mode, int outputDepth, const std::string& pal256Name,
                            const std::string& pal16Name) {
    if (mode == PaletteMode::Fixed16 && outputDepth == 16) return !pal16Name.empty();
    if (mode == PaletteMode::Fixed256 && outputDepth == 256) return !pal256Name.empty();
    return false;
}

bool SaveButtonEnabled(PaletteSaveChoice choice, std::string_view nameText) {
    return choice == PaletteSaveChoice::Overwrite || !IsBlank(nameText);
}

bool PaletteOverwriteQuestionNeeded(const std::filesystem::path& paletteDir,
                                    PaletteSaveChoice choice, std::string_view nameText) {
    if (choice != PaletteSaveChoice::NewName) return false;
    const std::string name = TrimLeadingSpace(nameText);
    // A name that is a path is refused by the save itself; nothing outside the folder is
    // looked at.
    if (!IsPaletteName(name)) return false;
    std::error_code ec;
    return std::filesystem::exists(PaletteFilePath(paletteDir, name), ec);
}

std::string PaletteSaveName(std::string_view nameText, PaletteFormat format) {
    std::string name(nameText);
    if (format == PaletteFormat::Act || IsBlank(name)) return name;
    const std::optional<PaletteFormat> typed = PaletteFormatOfExtension(name);
    if (typed && *typed != PaletteFormat::Act) return name;
    return name + std::string(PaletteExtension(format));
}

}  // namespace tintwell
