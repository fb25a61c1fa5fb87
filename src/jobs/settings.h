#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tintwell {

// The values kept between runs, with every default in one place. Sections and keys:
// "Set": OutDir, Xpos, Ypos, Type; "Pal": Pal256, Pal16.
struct Settings {
    std::string outDir;  // default: the current directory at start
    int xpos = 100;
    int ypos = 100;
    int type = 2;  // the palette mode; outside 0..2 it reads as 2
    std::string pal256;
    std::string pal16;
};

inline constexpr std::string_view kSectionSet = "Set";
inline constexpr std::string_view kSectionPal = "Pal";

// A per-user store of string and integer values by section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored value, or nothing when it is absent or cannot be read as that type.
    [[nodiscard]] virtual std::optional<std::string> ReadString(std::string_view section,
                                                                std::string_view key) const = 0;
    [[nodiscard]] virtual std::optional<int> ReadInt(std::string_view section,
                                                     std::string_view key) const = 0;
    virtual void WriteString(std::string_view section, std::string_view key,
                             const std::string& value) = 0;
    virtual void WriteInt(std::string_view section, std::string_view key, int value) = 0;
};

// The defaults: the current directory as output folder, window at (100, 100), mode 2, the
// built-in palettes.
[[nodiscard]] Settings DefaultSettings();

// Reads the six values in the order OutDir, Xpos, Ypos, Type, Pal256, Pal16; an absent value
// keeps its default, and a Type outside 0..2 becomes 2.
[[nodiscard]] Settings LoadSettings(const SettingsStore& store);

// Writes all six values in the same order, changed or not.
void SaveSettings(const Settings& settings, SettingsStore& store);

}  // namespace tintwell
