#include <filesystem>
#include <string>
#include <system_error>

#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "jobs/output_directory.h"
#include "jobs/text_input.h"
#include "jobs/workspace.h"
#include "palette/palette_file.h"

namespace tintwell {

bool Workspace::OnSavePalette(PaletteSaveChoice choice, std::string_view name) {
    if (Busy()) return false;
    const std::string newName =
        choice == PaletteSaveChoice::NewName ? TrimLeadingSpace(name) : std::string();
    // A name of only white space is no name: refused, not taken as "overwrite".
    if (choice == PaletteSaveChoice::NewName && newName.empty()) return false;

    std::string* setting = nullptr;
    switch (PaletteSettingForDepth(settings_.outputDepth)) {
        case PaletteNameSetting::Pal16:
            setting = &pal16Name_;
            break;
        case PaletteNameSetting::Pal256:
            setting = &pal256Name_;
            break;
        case PaletteNameSetting::None:
            break;
    }
    if (setting == nullptr) {
        view_.ShowMessage(Msg::InexplicableError, {});
        return false;
    }
    const std::string& fileName = newName.empty() ? *setting : newName;
    if (fileName.empty()) return false;
    const std::filesystem::path path = PaletteFilePath(paletteDir_, fileName);
    // Palette names are names: one that is a path would be written outside the palette
    // folder, and is refused as a file that cannot be created there. The setting keeps
    // its old name.
    if (!IsPaletteName(fileName)) {
        view_.ShowMessage(Msg::CannotCreate, Utf8FromPath(path));
        return false;
    }
    if (IsPathTooLong(Utf8FromPath(path))) {
        view_.ShowMessage(Msg::PathTooLong, Utf8FromPath(path));
        return false;
    }
    // The per-user data folder may not exist before the first palette is saved.
    if (const Msg made = MakeFolder(Utf8FromPath(paletteDir_)); made != Msg::None) {
        view_.ShowMessage(made, Utf8FromPath(paletteDir_));
        return false;
    }
    const Msg result = WritePaletteFile(path);
    if (result != Msg::None) {
        view_.ShowMessage(result, Utf8FromPath(path));
        return false;
    }
    // Only a complete file becomes the setting: a name without its file would silently
    // give the built-in palette at the next start.
    *setting = fileName;
    return true;
}

Msg Workspace::WritePaletteFile(const std::filesystem::path& path, bool replace) const {
    if (IsPathTooLong(Utf8FromPath(path))) return Msg::PathTooLong;
    // The extension chooses the format; a file of any other name is written as an .act.
    const std::string bytes =
        EncodePaletteFile(PaletteFormatOfExtension(Utf8FromPath(path)).value_or(PaletteFormat::Act),
                          table_.Palette(), Utf8FromPath(path.stem()));
    return WriteFileAtomically(
        path,
        [&bytes](std::ostream& out) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            return out ? Msg::None : Msg::WriteError;
        },
        replace);
}

}  // namespace tintwell
