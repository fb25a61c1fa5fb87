#include "ui/overwrite_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include "ui/dialog_units.h"

namespace tintwell {

OverwriteDialog::OverwriteDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("overwriteDialog"));
    setWindowTitle(tr("上書きの確認"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(219, 89));

    // A long path is shortened in its middle so that the file name stays in sight; the
    // whole path is in the tooltip.
    auto* pathLabel = new QLabel(this);
    pathLabel->setObjectName(QStringLiteral("static1040"));
    pathLabel->setGeometry(du.Rect(26, 13, 164, 14));
    pathLabel->setText(QFontMetrics(font()).elidedText(path, Qt::ElideMiddle, pathLabel->width()));
    pathLabel->setToolTip(path);
    auto* question = new QLabel(tr("は、すでに存在します。上書きしますか？"), this);
    question->setGeometry(du.Rect(26, 35, 164, 14));

    struct ButtonInfo {
        const char* name;
        const char* text;
        int x;
        OverwriteAnswer answer;
    };
    const ButtonInfo infos[] = {
        {"yes", QT_TR_NOOP("はい"), 7, OverwriteAnswer::Yes},
        {"all", QT_TR_NOOP("すべて上書き"), 59, OverwriteAnswer::All},
        {"no", QT_TR_NOOP("いいえ"), 111, OverwriteAnswer::No},
        {"cancel", QT_TR_NOOP("ｷｬﾝｾﾙ"), 163, OverwriteAnswer::Cancel},
    };
    QPushButton* previous = nullptr;
    for (const ButtonInfo& info : infos) {
        auto* button = new QPushButton(tr(info.text), this);
        button->setObjectName(QString::fromLatin1(info.name));
        button->setGeometry(du.Rect(info.x, 68, 50, 14));
        const OverwriteAnswer answer = info.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { Close(answer); });
        if (previous != nullptr) setTabOrder(previous, button);
        previous = button;
    }
    auto* yes = findChild<QPushButton*>(QStringLiteral("yes"));
    yes->setDefault(true);
    yes->setFocus();
}

void OverwriteDialog::Close(OverwriteAnswer answer) {
    answer_ = answer;
    if (answer == OverwriteAnswer::Cancel) {
        QDialog::reject();
    } else {
        QDialog::accept();
    }
}

void OverwriteDialog::reject() {
    // Escape and the close box.
    Close(OverwriteAnswer::Cancel);
}

OverwriteAnswer OverwriteDialog::Ask(const QString& path, QWidget* parent) {
    OverwriteDialog dialog(path, parent);
    dialog.exec();
    return dialog.Answer();
}

}  // namespace tintwell
