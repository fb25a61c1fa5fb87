#include "ui/palette_settings_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "ui/dialog_units.h"
#include "ui/utf8_text.h"

namespace tintwell {
QStringList PaletteSettingsDialog::Entries(const QStringList& titles) {
    QStringList entries = titles;
    entries.append(FromUtf8(BuiltInPaletteEntry()));
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    // The leading blank sorts the built-in entry first; keep it there whatever the titles.
    entries.removeOne(FromUtf8(BuiltInPaletteEntry()));
    entries.prepend(FromUtf8(BuiltInPaletteEntry()));
    return entries;
}

int PaletteSettingsDialog::PrefixMatch(const QStringList& entries, const QString& name) {
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).startsWith(name, Qt::CaseInsensitive)) return i;
    }
    return 0;
}

PaletteSettingsDialog::PaletteSettingsDialog(const PaletteSettings& current,
                                             const std::string& pal256Name,
                                             const std::string& pal16Name,
                                             const QStringList& titles, QWidget* parent)
    : QDialog(parent), pal256Name_(pal256Name), pal16Name_(pal16Name) {
    setObjectName(QStringLiteral("paletteSettingsDialog"));
    setWindowTitle(tr("パレットの設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(DialogFontProportional(11));
    const DialogUnits du(font());
    setFixedSize(du.Size(238, 98));

    const char* modeTexts[] = {QT_TR_NOOP("256色固定パレットを使用する"),
                               QT_TR_NOOP("16色固定パレットを使用する"),
                               QT_TR_NOOP("ＲＧＢのビット数を設定する")};
    const int modeRects[][4] = {{7, 9, 104, 9}, {7, 30, 104, 9}, {7, 51, 94, 9}};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(tr(modeTexts[i]), this);
        modes_[i]->setObjectName(QStringLiteral("mode%1").arg(1037 + i));
        modes_[i]->setGeometry(
            du.Rect(modeRects[i][0], modeRects[i][1], modeRects[i][2], modeRects[i][3]));
        group->addButton(modes_[i], i);
        connect(modes_[i], &QRadioButton::clicked, this, [this] { ApplyEnablingRule(); });
    }

    const QStringList entries = Entries(titles);
    list256_ = new QComboBox(this);
    list256_->setObjectName(QStringLiteral("list1041"));
    list256_->setGeometry(du.Rect(118, 7, 113, 12));
    list256_->addItems(entries);
    list256_->setCurrentIndex(PrefixMatch(entries, FromUtf8(pal256Name)));
    list16_ = new QComboBox(this);
    list16_->setObjectName(QStringLiteral("list1042"));
    list16_->setGeometry(du.Rect(118, 28, 113, 12));
    list16_->addItems(entries);
    list16_->setCurrentIndex(PrefixMatch(entries, FromUtf8(pal16Name)));

    const int bitsX[] = {124, 166, 208};
    const int labelX[] = {115, 157, 199};
    const char* labels[] = {"R", "G", "B"};
    const int bitsNow[] = {current.bits.red, current.bits.green, current.bits.blue};
    for (int c = 0; c < 3; ++c) {
        auto* label = new QLabel(QString::fromLatin1(labels[c]), this);
        label->setGeometry(du.Rect(labelX[c], 51, 8, 9));
        bits_[c] = new QComboBox(this);
        bits_[c]->setObjectName(QStringLiteral("bits%1").arg(1014 + c));
        bits_[c]->setGeometry(du.Rect(bitsX[c], 49, 23, 12));
        for (int b = 8; b >= 1; --b)
            bits_[c]->addItem(QString::number(b));
        bits_[c]->setCurrentIndex(std::clamp(8 - bitsNow[c], 0, 7));
    }

    auto* cancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(du.Rect(127, 77, 50, 14));
    cancel->setAutoDefault(false);
    auto* ok = new QPushButton(tr("設　定"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setGeometry(du.Rect(181, 77, 50, 14));
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Tab order as the template lists the controls.
    setTabOrder(modes_[0], list256_);
    setTabOrder(list256_, list16_);
    setTabOrder(list16_, bits_[0]);
    setTabOrder(bits_[0], bits_[1]);
    setTabOrder(bits_[1], bits_[2]);
    setTabOrder(bits_[2], cancel);
    setTabOrder(cancel, ok);

    modes_[std::clamp(static_cast<int>(current.mode), 0, 2)]->setChecked(true);
    ApplyEnablingRule();
}

int PaletteSettingsDialog::Mode() const {
    for (int i = 0; i < 3; ++i) {
        if (modes_[i]->isChecked()) return i;
    }
    return 2;
}

void PaletteSettingsDialog::ApplyEnablingRule() {
    const int mode = Mode();
    for (QComboBox* bits : bits_)
        bits->setEnabled(mode == 2);
    list256_->setEnabled(mode == 0);
    list16_->setEnabled(mode == 1);
}

PaletteChoice PaletteSettingsDialog::Choice() const {
    PaletteChoice choice;
    choice.mode = static_cast<PaletteMode>(Mode());
    choice.bits = {8 - bits_[0]->currentIndex(), 8 - bits_[1]->currentIndex(),
                   8 - bits_[2]->currentIndex()};
    choice.pal256Name = pal256Name_;
    choice.pal16Name = pal16Name_;
    // Only the list of the chosen fixed mode is taken.
    if (choice.mode == PaletteMode::Fixed256)
        choice.pal256Name = PaletteNameFromEntry(ToUtf8(list256_->currentText()));
    if (choice.mode == PaletteMode::Fixed16)
        choice.pal16Name = PaletteNameFromEntry(ToUtf8(list16_->currentText()));
    return choice;
}

}  // namespace tintwell
