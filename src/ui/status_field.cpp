#include "ui/status_field.h"

#include <QPainter>
#include <QStyleOptionFrame>

#include "jobs/workspace_view.h"

namespace tintwell {

StatusField::StatusField(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setFocusPolicy(Qt::NoFocus);
}

void StatusField::ShowText(const QString& text) {
    setText(text);
    setCursorPosition(0);
    setToolTip(fontMetrics().horizontalAdvance(text) > width() ? text : QString());
}

void StatusField::DrawProgress(int step, int total) {
    if (step < 0) clear();
    shown_ = true;
    step_ = step;
    total_ = total;
    update();
}

void StatusField::EndProgress() {
    if (!shown_) return;
    shown_ = false;
    update();
}

QRect StatusField::Inner() const {
    // The client area inside the frame, shrunk by one pixel on every side.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int frame = option.lineWidth > 0 ? option.lineWidth : 1;
    return rect().adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
}

int StatusField::FillWidth() const {
    if (!shown_) return 0;
    return ProgressFillWidth(step_, total_, Inner().width());
}

void StatusField::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!shown_) return;
    QPainter painter(this);
    // The reset's fill stays under the bar: the field shows no text while a job runs.
    painter.fillRect(Inner().adjusted(-1, -1, 1, 1), palette().color(QPalette::Button));
    if (step_ < 0) return;
    QRect fill = Inner();
    fill.setWidth(FillWidth());
    painter.fillRect(fill, palette().color(QPalette::Active, QPalette::Highlight));
}

}  // namespace tintwell
