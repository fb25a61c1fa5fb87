#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>
#include <memory>
#include <vector>

namespace tintwell {
namespace {

// The translators in use; replaced as a whole when the language changes.
std::vector<std::unique_ptr<QTranslator>> installed;

void Install(const QString& name, const QStringList& folders) {
    auto translator = std::make_unique<QTranslator>();
    for (const QString& folder : folders) {
        if (!translator->load(name, folder)) continue;
        QCoreApplication::installTranslator(translator.get());
        installed.push_back(std::move(translator));
        return;
    }
    // A missing file (Qt's translations not installed) leaves Qt's texts in English.
}

// Where Qt's own .qm files are looked for: the `translations` folder beside the program,
// where a Windows program carries them, then Qt's installed ones (/usr/share/qt6/... on
// Debian).
QStringList QtTranslationFolders() {
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

}  // namespace

void UseLanguage(Language language) {
    SetLanguage(language);
    for (const auto& translator : installed)
        QCoreApplication::removeTranslator(translator.get());
    installed.clear();
    const QString code = QString::fromLatin1(LanguageCode(language).data());
    if (language == Language::English)
        Install(QStringLiteral("tintwell_en"), {QStringLiteral(":/i18n")});
    Install(QStringLiteral("qtbase_") + code, QtTranslationFolders());
}

}  // namespace tintwell
