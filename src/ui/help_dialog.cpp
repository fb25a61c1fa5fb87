#include "ui/help_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "resources/language.h"

namespace tintwell {

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("helpDialog"));
    setWindowTitle(tr("Tintwell ヘルプ"));
    auto* browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    browser->setOpenExternalLinks(true);
    // The guide in the window's language: index.html in English, index_ja.html in Japanese.
    browser->setSource(QUrl(CurrentLanguage() == Language::Japanese
                                ? QStringLiteral("qrc:/help/index_ja.html")
                                : QStringLiteral("qrc:/help/index.html")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    resize(560, 520);
}

}  // namespace tintwell
