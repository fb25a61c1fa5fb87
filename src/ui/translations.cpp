#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace tintwell {
namespace {

// The translators in use; replaced as a whole when the language changes.
std::vector<std::unique_ptr<QTranslator>> installed;

void Install(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    // A missing file (Qt's translations not installed) leaves Qt's texts in English.
    if (!translator->load(name, folder)) return;
    QCoreApplication::installTranslator(translator.get());
    installed.push_back(std::move(translator));
}

}  // namespace

void UseLanguage(Language language) {
    SetLanguage(language);
    for (const auto& translator : installed)
        QCoreApplication::removeTranslator(translator.get());
    installed.clear();
    const QString code = QString::fromLatin1(LanguageCode(language).data());
    if (language == Language::English)
        Install(QStringLiteral("tintwell_en"), QStringLiteral(":/i18n"));
    Install(QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace tintwell
