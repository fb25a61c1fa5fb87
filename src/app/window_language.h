#pragma once

#include <QStringList>
#include <optional>

#include "jobs/settings.h"
#include "resources/language.h"

namespace tintwell {

// Takes "--lang ja|en" (or "--lang=ja") out of the window's arguments, which are otherwise
// file names. An unknown language is reported in `error`.
[[nodiscard]] std::optional<Language> TakeLanguageOption(QStringList& args, QString& error);

// The desktop's language: the first of `uiLanguages` (QLocale::system().uiLanguages()) that
// is Japanese or English; English for any other.
[[nodiscard]] Language DesktopLanguage(const QStringList& uiLanguages);

// The window's language: the --lang option, else the stored setting ("Set" / "Language",
// "ja" or "en"; anything else follows the desktop), else the desktop's language.
[[nodiscard]] Language WindowLanguage(std::optional<Language> option, const SettingsStore& store,
                                      const QStringList& uiLanguages);

}  // namespace tintwell
