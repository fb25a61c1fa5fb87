#include "ui/palette_save_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>

#include "jobs/text_input.h"
#include "ui/dialog_messages.h"
#include "ui/dialog_units.h"
#include "ui/utf8_text.h"

namespace tintwell {
namespace {

// The format combo's entries, in this order; the first is the default.
constexpr PaletteFormat kFormats[] = {PaletteFormat::Act, PaletteFormat::Gpl,
                                      PaletteFormat::JascPal, PaletteFormat::Hex};

// The dialog is wider than its template by the format combo and the gap before it; the
// buttons keep their distance from the right edge.
constexpr int kFormatWidth = 54;
constexpr int kExtraWidth = kFormatWidth + 3;

int IndexOf(PaletteFormat format) {
    return static_cast<int>(std::find(std::begin(kFormats), std::end(kFormats), format) -
                            std::begin(kFormats));
}

QString NoteText(PaletteFormat format) {
    return PaletteSaveDialog::tr("拡張子 (%1) は不要です")
        .arg(QString::fromLatin1(PaletteExtension(format).data(),
                                 static_cast<qsizetype>(PaletteExtension(format).size())));
}

}  // namespace

PaletteSaveDialog::PaletteSaveDialog(PaletteMode mode, int outputDepth,
                                     const std::string& pal256Name, const std::string& pal16Name,
                                     std::filesystem::path paletteDir, QWidget* parent)
    : QDialog(parent), paletteDir_(std::move(paletteDir)) {
    setObjectName(QStringLiteral("paletteSaveDialog"));
    setWindowTitle(tr("パレットの保存"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(187 + kExtraWidth, 77));

    overwrite_ = new QRadioButton(tr("現在のファイルに上書きする"), this);
    overwrite_->setObjectName(QStringLiteral("radio1042"));
    overwrite_->setGeometry(du.Rect(7, 7, 101, 13));
    newName_ = new QRadioButton(tr("名前を付けて保存する"), this);
    newName_->setObjectName(QStringLiteral("radio1043"));
    newName_->setGeometry(du.Rect(7, 23, 83, 13));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("edit1044"));
    name_->setGeometry(du.Rect(94, 23, 86, 13));
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("format"));
    format_->setGeometry(du.Rect(183, 23, kFormatWidth, 13));
    format_->addItems({QStringLiteral(".act"), QStringLiteral(".gpl (GIMP)"),
                       QStringLiteral(".pal (JASC)"), QStringLiteral(".hex")});
    note_ = new QLabel(NoteText(PaletteFormat::Act), this);
    note_->setObjectName(QStringLiteral("static1045"));
    note_->setGeometry(du.Rect(97, 39, 83 + kExtraWidth, 9));
    save_ = new QPushButton(tr("保存"), this);
    save_->setObjectName(QStringLiteral("ok"));
    save_->setGeometry(du.Rect(130 + kExtraWidth, 56, 50, 14));
    save_->setDefault(true);
    auto* cancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(77 + kExtraWidth, 56, 50, 14));
    setTabOrder(overwrite_, newName_);
    setTabOrder(newName_, name_);
    setTabOrder(name_, format_);
    setTabOrder(format_, save_);
    setTabOrder(save_, cancel);

    connect(overwrite_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(newName_, &QRadioButton::clicked, this, &PaletteSaveDialog::UpdateState);
    connect(name_, &QLineEdit::textChanged, this, &PaletteSaveDialog::UpdateSaveButton);
    connect(name_, &QLineEdit::textEdited, this, &PaletteSaveDialog::OnNameEdited);
    connect(format_, &QComboBox::activated, this, &PaletteSaveDialog::OnFormatChosen);
    connect(save_, &QPushButton::clicked, this, &PaletteSaveDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PaletteSaveDialog::reject);

    // The current file's format, shown while it is overwritten.
    const std::string& current =
        PaletteSettingForDepth(outputDepth) == PaletteNameSetting::Pal16 ? pal16Name : pal256Name;
    currentFormat_ = PaletteFormatOfExtension(current).value_or(PaletteFormat::Act);
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

PaletteFormat PaletteSaveDialog::Format() const {
    return kFormats[std::clamp(format_->currentIndex(), 0, 3)];
}

std::string PaletteSaveDialog::NameText() const {
    return ToUtf8(name_->text());
}

std::string PaletteSaveDialog::Name() const {
    return PaletteSaveName(NameText(), Format());
}

// A typed .gpl, .pal or .hex chooses that format, as a file dialog's typed extension does.
void PaletteSaveDialog::OnNameEdited() {
    const std::optional<PaletteFormat> typed = PaletteFormatOfExtension(NameText());
    if (!typed || *typed == PaletteFormat::Act) return;
    format_->setCurrentIndex(IndexOf(*typed));
    note_->setText(NoteText(*typed));
}

// Choosing a format drops another format's extension typed before, so name and choice agree.
void PaletteSaveDialog::OnFormatChosen() {
    const std::string name = NameText();
    const std::optional<PaletteFormat> typed = PaletteFormatOfExtension(name);
    if (typed && *typed != PaletteFormat::Act && *typed != Format()) {
        name_->setText(FromUtf8(std::string_view(name).substr(0, name.size() - 4)));
    }
    note_->setText(NoteText(Format()));
}

void PaletteSaveDialog::UpdateState() {
    const std::string trimmed = TrimLeadingSpace(NameText());
    if (trimmed != NameText()) name_->setText(FromUtf8(trimmed));
    const bool newName = Choice() == PaletteSaveChoice::NewName;
    name_->setEnabled(newName);
    note_->setEnabled(newName);
    // Overwriting keeps the current file's format, which its name says; the choice made for
    // a new name comes back with it.
    if (newName) {
        format_->setCurrentIndex(newNameFormat_);
    } else {
        if (format_->isEnabled()) newNameFormat_ = format_->currentIndex();
        format_->setCurrentIndex(IndexOf(currentFormat_));
    }
    format_->setEnabled(newName);
    note_->setText(NoteText(Format()));
    UpdateSaveButton();
    if (newName) name_->setFocus();
}

void PaletteSaveDialog::UpdateSaveButton() {
    save_->setEnabled(SaveButtonEnabled(Choice(), NameText()));
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
