#include "ui/dialog_messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace tintwell {
namespace {

DialogMessages* current = nullptr;

QString Caption() {
    const std::string_view name = MessageText(Msg::AppName);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString Text(Msg msg, const QString& path) {
    const QByteArray pathBytes = path.toUtf8();
    const std::string text = FormatMessage(
        msg, std::string_view(pathBytes.constData(), static_cast<std::size_t>(pathBytes.size())));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void DialogMessages::Show(QWidget* parent, Msg msg, const QString& path) {
    QMessageBox box(QMessageBox::Warning, Caption(), Text(msg, path), QMessageBox::Ok, parent);
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
