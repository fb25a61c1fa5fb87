#include "ui/window_position.h"

#include <algorithm>

namespace tintwell {

QPoint CorrectedWindowPosition(QPoint stored, QSize window, const QRect& desktop) {
    const int reachX = std::max(window.width() / 2, kTitleBarReach);
    QPoint result = stored;
    if (stored.x() < desktop.x() || stored.x() + reachX > desktop.x() + desktop.width())
        result.setX(100);
    if (stored.y() < desktop.y() || stored.y() + kTitleBarReach > desktop.y() + desktop.height())
        result.setY(100);
    return result;
}

}  // namespace tintwell
