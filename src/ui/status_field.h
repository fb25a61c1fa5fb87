#pragma once

#include <QLineEdit>

namespace tintwell {

// StatusField (1030): a read-only line with the status text, over which a job's progress
// bar is drawn. The bar is the field's own painting, so it is drawn on the GUI thread: a
// reset fills the field with the button face color, step k of n fills the inner rectangle
// (the field shrunk by one pixel) with the highlight color up to left + width * (k + 1) / n.
// The bar stays until EndProgress, which the end of every job calls.
class StatusField final : public QLineEdit {
    Q_OBJECT
  public:
    explicit StatusField(QWidget* parent = nullptr);

    // Shows a status text from its beginning; a text longer than the field (an output
    // folder's path) can still be selected and scrolled, and its whole stands in the tip.
    void ShowText(const QString& text);
    void DrawProgress(int step, int total);
    void EndProgress();
    [[nodiscard]] bool ProgressShown() const { return shown_; }
    // The width of the fill inside the inner rectangle, 0 for a reset.
    [[nodiscard]] int FillWidth() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    [[nodiscard]] QRect Inner() const;

    bool shown_ = false;
    int step_ = -1;
    int total_ = 0;
};

}  // namespace tintwell
