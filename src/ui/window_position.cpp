#include "ui/window_position.h"

namespace tintwell {

QPoint CorrectedWindowPosition(QPoint stored, const QRect& desktop) {
    QPoint result = stored;
    if (stored.x() > desktop.x() + desktop.width() || stored.x() < desktop.x()) result.setX(100);
    if (stored.y() > desktop.y() + desktop.height() || stored.y() < desktop.y()) result.setY(100);
    return result;
}

}  // namespace tintwell
