#pragma once

#include <QPoint>
#include <QRect>

namespace tintwell {

// The stored window position checked against the desktop: a coordinate beyond the desktop's
// far edge or before its near edge becomes 100; one exactly on the far edge (left + width)
// stays.
[[nodiscard]] QPoint CorrectedWindowPosition(QPoint stored, const QRect& desktop);

}  // namespace tintwell
