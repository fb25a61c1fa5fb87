#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace tintwell {

// The language of every text the user reads: the messages of the string table, the list
// headings and the window's own texts. Japanese is the language the texts were written in.
enum class Language { Japanese, English };

// The language all texts are shown in from now on, for the whole process. The window and
// the command-line tool choose it once at start; tests choose it explicitly.
void SetLanguage(Language language);
[[nodiscard]] Language CurrentLanguage();

// "ja" or "en".
[[nodiscard]] std::string_view LanguageCode(Language language);

// The language a code names: "ja", "en", or a locale name that starts with one of them
// ("ja_JP.UTF-8", "en-GB"); nothing for any other.
[[nodiscard]] std::optional<Language> LanguageOfCode(std::string_view code);

// The language for a user who reads `preferred` in that order (locale names or language
// tags, as LANGUAGE or the desktop lists them): the first one we have. A user who reads
// neither Japanese nor English, or who runs in the "C" locale, gets English.
[[nodiscard]] Language LanguageOfPreferences(const std::vector<std::string_view>& preferred);

// The language by the variables gettext reads: `languageList` is LANGUAGE (a colon-separated
// list of preferences), `locale` the first of LC_ALL, LC_MESSAGES and LANG that is set. The
// "C" locale, or none, means English whatever LANGUAGE says, as it does for gettext.
[[nodiscard]] Language LanguageOfEnvironment(std::string_view languageList,
                                             std::string_view locale);

}  // namespace tintwell
