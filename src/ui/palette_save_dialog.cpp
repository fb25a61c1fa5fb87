#include "ui/palette_save_dialog.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "resources/string_table.h"
#include "ui/dialog_units.h"

namespace tintwell {
namespace {

std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

PaletteSaveDialog::PaletteSaveDialog(PaletteMode mode, int outputDepth,
                                     const std::string& pal256Name, const std::string& pal16Name,
                                     std::filesystem::path paletteDir, QWidget* parent)
    : QDialog(parent), paletteDir_(std::move(paletteDir)) {
    setObjectName(QStringLiteral("paletteSaveDialog"));
    setWindowTitle(QStringLiteral("パレットの保存"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(187, 77));

    overwrite_ = new QRadioButton(QStringLiteral("現在のファイルに上書きする"), this);
    overwrite_->setObjectName(QStringLiteral("radio1042"));
    overwrite_->setGeometry(du.Rect(7, 7, 101, 13));
    newName_ = new QRadioButton(QStringLiteral("名前を付けて保存する"), this);
    newName_->setObjectName(QStringLiteral("radio1043"));
    newName_->setGeometry(du.Rect(7, 23, 83, 13));
    auto* group = new QButtonGroup(this);
    group->addButton(overwrite_);
    group->addButton(newName_);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("edit1044"));
    name_->setGeometry(du.Rect(94, 23, 86, 13));
    note_ = new QLabel(QStringLiteral("拡張子 (.act) は不要です"), this);
    note_->setGeometry(du.Rect(97, 39, 83, 9));
    save_ = new QPushButton(QStringLiteral("保存"), this);
    save_->setObjectName(QStringLiteral("ok"));
    save_->setGeometry(du.Rect(130, 56, 50, 14));
    save_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(77, 56, 50, 14));
    cancel->setAutoDefault(false);
    setTabOrder(overwrite_, newName_);
    setTabOrder(newName_, name_);
    setTabOrder(name_, save_);
    setTabOrder(save_, cancel);

    const bool offered = OverwriteChoiceOffered(mode, outputDepth, pal256Name, pal16Name);
    overwrite_->setEnabled(offered);
    (offered ? overwrite_ : newName_)->setChecked(true);
    connect(overwrite_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(newName_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(name_, &QLineEdit::textChanged, this,
            [this] { save_->setEnabled(SaveButtonEnabled(Choice(), ToUtf8(name_->text()))); });
    connect(save_, &QPushButton::clicked, this, &PaletteSaveDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    question_ = [this] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tintwell"),
                        QString::fromUtf8(MessageText(Msg::PaletteExistsQuestion).data()),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    UpdateState();
    if (offered) overwrite_->setFocus();
}

PaletteSaveChoice PaletteSaveDialog::Choice() const {
    return newName_->isChecked() ? PaletteSaveChoice::NewName : PaletteSaveChoice::Overwrite;
}

std::string PaletteSaveDialog::Name() const {
    return ToUtf8(name_->text());
}

void PaletteSaveDialog::UpdateState() {
    // The name is shown again without its leading white space.
    const QString text = name_->text();
    qsizetype first = 0;
    while (first < text.size() && text.at(first).isSpace())
        ++first;
    if (first > 0) name_->setText(text.mid(first));
    const bool named = Choice() == PaletteSaveChoice::NewName;
    name_->setEnabled(named);
    note_->setEnabled(named);
    save_->setEnabled(SaveButtonEnabled(Choice(), ToUtf8(name_->text())));
    if (named) name_->setFocus();
}

void PaletteSaveDialog::accept() {
    if (!SaveButtonEnabled(Choice(), ToUtf8(name_->text()))) return;
    if (PaletteOverwriteQuestionNeeded(paletteDir_, Choice(), ToUtf8(name_->text())) &&
        !question_()) {
        name_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace tintwell
