#pragma once

#include <QString>
#include <filesystem>

namespace tintwell {

// The environment variable that moves the palette folder elsewhere (tests, portable runs).
inline constexpr char kPaletteDirVariable[] = "TINTWELL_PALETTE_DIR";

// The folder of the user's palette files: $TINTWELL_PALETTE_DIR when it is set and not empty,
// otherwise the per-user application data folder (QStandardPaths::AppDataLocation), which
// ends in Qorvel_SA/Tintwell once SetApplicationNames() has run. The executable's own folder
// is not used: on an installed system it is not writable. The folder is not created here;
// saving a palette creates it when it writes. Empty when no location can be found.
[[nodiscard]] std::filesystem::path PaletteFolder();

// Conversions between Qt's and the standard library's paths that keep non-ASCII names intact:
// UTF-16 on Windows, the file system's encoding (UTF-8) elsewhere.
[[nodiscard]] std::filesystem::path ToFilesystemPath(const QString& path);
[[nodiscard]] QString ToQString(const std::filesystem::path& path);

}  // namespace tintwell
