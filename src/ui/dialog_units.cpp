#include "ui/dialog_units.h"

#include <QFontInfo>
#include <QFontMetrics>

namespace tintwell {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Rounded as the dialog manager rounds: (width of 52 letters / 26 + 1) / 2.
    baseWidth_ = (letters / 26 + 1) / 2;
    baseHeight_ = QFontInfo(font).pixelSize();
    if (baseWidth_ <= 0) baseWidth_ = 8;
    if (baseHeight_ <= 0) baseHeight_ = 16;
}

QFont DialogFontMonospace(int pointSize) {
    QFont font(QStringLiteral("Noto Sans Mono CJK JP"), pointSize);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

QFont DialogFontProportional(int pointSize) {
    QFont font(QStringLiteral("Noto Sans CJK JP"), pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace tintwell
