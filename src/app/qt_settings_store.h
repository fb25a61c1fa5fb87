#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "jobs/settings.h"

namespace tintwell {

// The names under which the settings and the per-user data folder live: the registry key
// HKEY_CURRENT_USER\Software\Qorvel_SA\Tintwell on Windows, ~/.config/Qorvel_SA/Tintwell.conf
// and ~/.local/share/Qorvel_SA/Tintwell on Linux.
inline constexpr char kOrganisationName[] = "Qorvel_SA";
inline constexpr char kApplicationName[] = "Tintwell";

// Sets the organisation and application names of the running QCoreApplication, which
// QSettings' default constructor and QStandardPaths::AppDataLocation both build on.
void SetApplicationNames();

// The per-user settings through QSettings: each section is a group ("Set", "Pal"), each key a
// value in it. Strings are kept as UTF-8 on the engine's side.
//
// Reading is strict about the asked type, so that a damaged value falls back to its default:
// an integer comes from a stored integer, or from a string holding a plain decimal number that
// fits in an int ("12" reads as 12, as it must: INI files keep no types, so every integer
// written to one comes back as such a string); anything else ("abc", "1.5", an out-of-range
// number, a list) gives nothing. A string comes only from a stored string; a registry DWORD
// or binary value under a string key gives nothing.
class QtSettingsStore final : public SettingsStore {
  public:
    // The user's store: NativeFormat, user scope, kOrganisationName / kApplicationName.
    QtSettingsStore();
    // A store in one file of the given format (IniFormat for a .ini or .conf file), so a test
    // or a portable run never touches the user's own settings.
    QtSettingsStore(const QString& fileName, QSettings::Format format);
    ~QtSettingsStore() override;

    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    [[nodiscard]] std::optional<std::string> ReadString(std::string_view section,
                                                        std::string_view key) const override;
    [[nodiscard]] std::optional<int> ReadInt(std::string_view section,
                                             std::string_view key) const override;
    void WriteString(std::string_view section, std::string_view key,
                     const std::string& value) override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;

    // Writes pending changes to permanent storage (QSettings also does this when the store is
    // destroyed); false when the file or registry key could not be written or read.
    [[nodiscard]] bool Sync();

    // Where the values live: a file path, or the registry path on Windows.
    [[nodiscard]] QString Location() const;

  private:
    std::unique_ptr<QSettings> settings_;
};

// Writes the six values at exit and makes them permanent. When they cannot be kept (a
// read-only settings folder, a full disk) `say` gets message 251 with the store's location,
// so the loss is not silent; returns whether they were kept.
bool SaveSettingsAtExit(const Settings& settings, QtSettingsStore& store,
                        const std::function<void(const QString&)>& say);

}  // namespace tintwell
