#include "resources/language.h"

#include <atomic>

namespace tintwell {
namespace {

// Read from any thread (a job's messages), written once at start.
std::atomic<Language> current{Language::Japanese};

// The locale of programs that ask for no language: "C", "C.UTF-8", "POSIX".
bool IsCLocale(std::string_view code) {
    return code == "C" || code == "POSIX" || code.starts_with("C.");
}

}  // namespace

void SetLanguage(Language language) {
    current.store(language, std::memory_order_relaxed);
}

Language CurrentLanguage() {
    return current.load(std::memory_order_relaxed);
}

std::string_view LanguageCode(Language language) {
    return language == Language::Japanese ? "ja" : "en";
}

std::optional<Language> LanguageOfCode(std::string_view code) {
    // The language part of "ll_CC.charset@modifier" or "ll-CC".
    const std::string_view lang = code.substr(0, code.find_first_of("_-.@"));
    if (lang == "ja") return Language::Japanese;
    if (lang == "en") return Language::English;
    return std::nullopt;
}

Language LanguageOfPreferences(const std::vector<std::string_view>& preferred) {
    for (std::string_view code : preferred) {
        if (IsCLocale(code)) return Language::English;
        if (const std::optional<Language> language = LanguageOfCode(code)) return *language;
    }
    return Language::English;
}

Language LanguageOfEnvironment(std::string_view languageList, std::string_view locale) {
    if (locale.empty() || IsCLocale(locale)) return Language::English;
    std::vector<std::string_view> preferred;
    while (!languageList.empty()) {
        const std::size_t colon = languageList.find(':');
        if (colon != 0) preferred.push_back(languageList.substr(0, colon));
        if (colon == std::string_view::npos) break;
        languageList.remove_prefix(colon + 1);
    }
    preferred.push_back(locale);
    return LanguageOfPreferences(preferred);
}

}  // namespace tintwell
