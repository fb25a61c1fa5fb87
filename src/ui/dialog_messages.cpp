#include "ui/dialog_messages.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/utf8_text.h"

namespace tintwell {
namespace {

DialogMessages* current = nullptr;

QString Caption() {
    return FromUtf8(MessageText(Msg::AppName));
}

}  // namespace

QString DialogMessages::Text(Msg msg, const QString& path, const QString& detail) {
    const std::string pathText = ToUtf8(path);
    const std::string utf8 = FormatMessage(msg, pathText);
    QString text = FromUtf8(utf8);
    if (!path.isEmpty() && utf8.find(pathText) == std::string::npos) text += u'\n' + path;
    if (!detail.isEmpty()) text += u'\n' + detail;
    return text;
}

void DialogMessages::Show(QWidget* parent, Msg msg, const QString& path) {
    ShowText(parent, msg, Text(msg, path));
}

void DialogMessages::ShowText(QWidget* parent, Msg /*msg*/, const QString& text) {
    QMessageBox box(QMessageBox::Warning, Caption(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool DialogMessages::AskYesNo(QWidget* parent, Msg msg, bool defaultYes) {
    QMessageBox box(QMessageBox::Warning, Caption(), Text(msg, {}), QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(tr("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(tr("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(defaultYes ? yes : no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

DialogMessages& DialogMessages::Current() {
    static DialogMessages boxes;
    return current != nullptr ? *current : boxes;
}

void DialogMessages::SetCurrent(DialogMessages* messages) {
    current = messages;
}

}  // namespace tintwell
