#pragma once

class QBoxLayout;
class QColorDialog;
class QLayout;
class QWidget;

namespace tintwell {

// A QColorDialog to embed in the color edit dialog as a plain widget: no buttons of its
// own, never the native dialog, and Enter and Escape left to the dialog around it.
[[nodiscard]] QColorDialog* NewEmbeddedChooser(QWidget* parent);

// The chooser's widgets that the color edit dialog places its own controls by.
struct ChooserLandmarks {
    QWidget* red = nullptr;          // the red box, focused first
    QWidget* basicColors = nullptr;  // our controls go below these
};

// Keeps only the parts of the chooser that the color edit dialog shows (basic colors, the
// hue and saturation field, the luminance bar, the sample and the six boxes) and gives
// them the dialog's own labels; the custom colors, the screen picker, the HTML box and the
// buttons are hidden.
ChooserLandmarks TrimChooser(QColorDialog* chooser);

// The box layout that holds `widget`, searched from `layout` down.
[[nodiscard]] QBoxLayout* LayoutHolding(QLayout* layout, QWidget* widget);

}  // namespace tintwell
