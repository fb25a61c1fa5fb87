#include "ui/palette_save_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "jobs/text_input.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_units.h"

namespace tintwell {

PaletteSaveDialog::PaletteSaveDialog(PaletteMode mode, int outputDepth,
                                     const std::string& pal256Name, const std::string& pal16Name,
                                     std::filesystem::path paletteDir, QWidget* parent)
    : QDialog(parent), paletteDir_(std::move(paletteDir)) {
    setObjectName(QStringLiteral("paletteSaveDialog"));
    setWindowTitle(QStringLiteral("パレットの保存"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(187, 77));

    overwrite_ = new QRadioButton(QStringLiteral("現在のファイルに上書きする"), this);
    overwrite_->setObjectName(QStringLiteral("radio1042"));
    overwrite_->setGeometry(du.Rect(7, 7, 101, 13));
    newName_ = new QRadioButton(QStringLiteral("名前を付けて保存する"), this);
    newName_->setObjectName(QStringLiteral("radio1043"));
    newName_->setGeometry(du.Rect(7, 23, 83, 13));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("edit1044"));
    name_->setGeometry(du.Rect(94, 23, 86, 13));
    note_ = new QLabel(QStringLiteral("拡張子 (.act) は不要です"), this);
    note_->setObjectName(QStringLiteral("static1045"));
    note_->setGeometry(du.Rect(97, 39, 83, 9));
    save_ = new QPushButton(QStringLiteral("保存"), this);
    save_->setObjectName(QStringLiteral("ok"));
    save_->setGeometry(du.Rect(130, 56, 50, 14));
    save_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(77, 56, 50, 14));
    setTabOrder(overwrite_, newName_);
    setTabOrder(newName_, name_);
    setTabOrder(name_, save_);
    setTabOrder(save_, cancel);

    connect(overwrite_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(newName_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(name_, &QLineEdit::textChanged, this, &PaletteSaveDialog::UpdateSaveButton);
    connect(save_, &QPushButton::clicked, this, &PaletteSaveDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PaletteSaveDialog::reject);

    if (OverwriteChoiceOffered(mode, outputDepth, pal256Name, pal16Name)) {
        overwrite_->setChecked(true);
        overwrite_->setFocus();
    } else {
        overwrite_->setEnabled(false);
        newName_->setChecked(true);
    }
    UpdateState();
}

PaletteSaveChoice PaletteSaveDialog::Choice() const {
    return newName_->isChecked() ? PaletteSaveChoice::NewName : PaletteSaveChoice::Overwrite;
}

std::string PaletteSaveDialog::Name() const {
    const QByteArray bytes = name_->text().toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

void PaletteSaveDialog::UpdateState() {
    const std::string trimmed = TrimLeadingSpace(Name());
    if (trimmed != Name()) name_->setText(QString::fromUtf8(trimmed.c_str()));
    const bool newName = Choice() == PaletteSaveChoice::NewName;
    name_->setEnabled(newName);
    note_->setEnabled(newName);
    UpdateSaveButton();
    if (newName) name_->setFocus();
}

void PaletteSaveDialog::UpdateSaveButton() {
    save_->setEnabled(SaveButtonEnabled(Choice(), Name()));
}

void PaletteSaveDialog::accept() {
    if (!save_->isEnabled()) return;
    if (PaletteOverwriteQuestionNeeded(paletteDir_, Choice(), Name()) &&
        !DialogMessages::Current().AskYesNo(this, Msg::PaletteExistsQuestion, false)) {
        name_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace tintwell
