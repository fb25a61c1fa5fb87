#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tintwell {

// The stored window position checked against the desktop. A coordinate before the desktop's
// near edge, or one that leaves the title bar out of reach, becomes 100: the title bar's
// top (kTitleBarReach pixels) must lie on the desktop, and so must at least half of the
// window's width (kTitleBarReach pixels at the least), so the user can still grab it.
[[nodiscard]] QPoint CorrectedWindowPosition(QPoint stored, QSize window, const QRect& desktop);

inline constexpr int kTitleBarReach = 32;

}  // namespace tintwell
