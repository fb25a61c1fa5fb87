#include "jobs/settings.h"

#include <filesystem>
#include <system_error>

#include "jobs/file_paths.h"
#include "palette/palette_settings.h"

namespace tintwell {

Settings DefaultSettings() {
    Settings settings;
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    if (!ec) settings.outDir = Utf8FromPath(current);
    return settings;
}

Settings LoadSettings(const SettingsStore& store) {
    Settings settings = DefaultSettings();
    if (auto v = store.ReadString(kSectionSet, "OutDir")) settings.outDir = *v;
    if (auto v = store.ReadInt(kSectionSet, "Xpos")) settings.xpos = *v;
    if (auto v = store.ReadInt(kSectionSet, "Ypos")) settings.ypos = *v;
    if (auto v = store.ReadInt(kSectionSet, "Type")) settings.type = *v;
    settings.type = static_cast<int>(PaletteModeFromSetting(settings.type));
    if (auto v = store.ReadString(kSectionPal, "Pal256")) settings.pal256 = *v;
    if (auto v = store.ReadString(kSectionPal, "Pal16")) settings.pal16 = *v;
    return settings;
}

void SaveSettings(const Settings& settings, SettingsStore& store) {
    store.WriteString(kSectionSet, "OutDir", settings.outDir);
    store.WriteInt(kSectionSet, "Xpos", settings.xpos);
    store.WriteInt(kSectionSet, "Ypos", settings.ypos);
    store.WriteInt(kSectionSet, "Type", settings.type);
    store.WriteString(kSectionPal, "Pal256", settings.pal256);
    store.WriteString(kSectionPal, "Pal16", settings.pal16);
}

}  // namespace tintwell
