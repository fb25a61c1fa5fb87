#include "ui/overwrite_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"

namespace tintwell {

OverwriteDialog::OverwriteDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("overwriteDialog"));
    setWindowTitle(QStringLiteral("上書きの確認"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(219, 89));

    auto* pathLabel = new QLabel(path, this);
    pathLabel->setObjectName(QStringLiteral("static1040"));
    pathLabel->setGeometry(du.Rect(26, 13, 164, 14));
    pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pathLabel->setToolTip(path);
    auto* question = new QLabel(QStringLiteral("は、すでに存在します。上書きしますか？"), this);
    question->setGeometry(du.Rect(26, 35, 164, 14));

    struct Spec {
        const char* name;
        const char* text;
        int x;
        OverwriteAnswer answer;
    };
    const Spec specs[] = {{"yes", "はい", 7, OverwriteAnswer::Yes},
                          {"all", "すべて上書き", 59, OverwriteAnswer::All},
                          {"no", "いいえ", 111, OverwriteAnswer::No},
                          {"cancel", "ｷｬﾝｾﾙ", 163, OverwriteAnswer::Cancel}};
    for (const Spec& spec : specs) {
        auto* button = new QPushButton(QString::fromUtf8(spec.text), this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setGeometry(du.Rect(spec.x, 68, 50, 14));
        button->setAutoDefault(false);
        const OverwriteAnswer answer = spec.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] {
            answer_ = answer;
            if (answer == OverwriteAnswer::Cancel) {
                QDialog::reject();
            } else {
                QDialog::accept();
            }
        });
        if (answer == OverwriteAnswer::Yes) {
            button->setDefault(true);
            button->setFocus();
        }
    }
}

void OverwriteDialog::reject() {
    answer_ = OverwriteAnswer::Cancel;
    QDialog::reject();
}

}  // namespace tintwell
