#include "app/window_language.h"

#include <string>
#include <vector>

#include "ui/utf8_text.h"

namespace tintwell {

std::optional<Language> TakeLanguageOption(QStringList& args, QString& error) {
    std::optional<Language> language;
    for (int i = 0; i < args.size();) {
        QString value;
        if (args.at(i) == QLatin1String("--lang")) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("option --lang needs a value (ja or en)");
                return std::nullopt;
            }
            value = args.at(i + 1);
            args.remove(i, 2);
        } else if (args.at(i).startsWith(QLatin1String("--lang="))) {
            value = args.at(i).mid(7);
            args.remove(i);
        } else {
            ++i;
            continue;
        }
        if (value != QLatin1String("ja") && value != QLatin1String("en")) {
            error = QStringLiteral("unknown language '%1' (ja or en)").arg(value);
            return std::nullopt;
        }
        language = LanguageOfCode(ToUtf8(value));
    }
    return language;
}

Language DesktopLanguage(const QStringList& uiLanguages) {
    std::vector<std::string> codes;
    for (const QString& code : uiLanguages)
        codes.push_back(ToUtf8(code));
    return LanguageOfPreferences(std::vector<std::string_view>(codes.begin(), codes.end()));
}

Language WindowLanguage(std::optional<Language> option, const SettingsStore& store,
                        const QStringList& uiLanguages) {
    if (option) return *option;
    if (const std::optional<std::string> stored = store.ReadString(kSectionSet, "Language")) {
        if (*stored == "ja" || *stored == "en") return *LanguageOfCode(*stored);
    }
    return DesktopLanguage(uiLanguages);
}

}  // namespace tintwell
