#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace tintwell {

// Dialog units of a dialog font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its character height. The average width is
// taken as the dialog manager takes it, from the 52 letters A-Z and a-z; the height is the
// font's em height in pixels, which for the CJK fonts the dialogs use is their cell height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    [[nodiscard]] int X(int units) const { return units * baseWidth_ / 4; }
    [[nodiscard]] int Y(int units) const { return units * baseHeight_ / 8; }
    // A control's rectangle in pixels from its template position and size.
    [[nodiscard]] QRect Rect(int x, int y, int w, int h) const {
        return {X(x), Y(y), X(x + w) - X(x), Y(y + h) - Y(y)};
    }
    [[nodiscard]] QSize Size(int w, int h) const { return {X(w), Y(h)}; }
    [[nodiscard]] int BaseWidth() const { return baseWidth_; }
    [[nodiscard]] int BaseHeight() const { return baseHeight_; }

  private:
    int baseWidth_;
    int baseHeight_;
};

// The fonts of the templates: "ＭＳ ゴシック" becomes the system's CJK monospace font,
// "ＭＳ Ｐゴシック" its proportional one, at the same point size.
[[nodiscard]] QFont DialogFontMonospace(int pointSize);
[[nodiscard]] QFont DialogFontProportional(int pointSize);

}  // namespace tintwell
