#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "palette/color.h"
#include "palette/color_table.h"
#include "ui/preview_pixels.h"

class QCheckBox;
class QLabel;
class QScrollArea;

namespace tintwell {

// The image of a preview at a whole zoom factor, drawn without smoothing.
class PreviewCanvas final : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewCanvas(QWidget* parent = nullptr);
    // `image` is what the file looks like; `shown` what is painted (the same, or with the
    // marked colors standing out).
    void SetImage(QImage image, QImage shown);
    void SetZoom(int zoom);
    [[nodiscard]] int Zoom() const { return zoom_; }
    [[nodiscard]] const QImage& Image() const { return image_; }
    [[nodiscard]] const QImage& ShownImage() const { return shown_; }
    [[nodiscard]] QSize sizeHint() const override;

  signals:
    // The mouse is over image pixel `pixel` (outside the image: none).
    void pointed(QPoint pixel);
    void clicked(QPoint pixel);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    [[nodiscard]] QPoint PixelAt(QPointF position) const;

    QImage image_;
    QImage shown_;
    int zoom_ = 1;
};

// A window of its own that shows one listed file as its output would be: each pixel's file
// index through the current output colors. It keeps the file's indices and only the
// 256-entry lookup changes, so following the table never reads the file again. Ctrl with
// the mouse wheel zooms from 1x to 16x; Escape closes it.
class PreviewWindow final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxZoom = 16;

    PreviewWindow(const std::string& path, FilePixels pixels, QWidget* parent = nullptr);

    // The record this window shows, for the main window to find it again.
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] const TrueColorRule& Rule() const { return rule_; }
    void SetRule(const TrueColorRule& rule) { rule_ = rule; }
    // New file indices after the file was numbered again (another mode).
    void SetPixels(FilePixels pixels);
    // What each file index now becomes in the output: the image follows at once.
    void SetOutput(const PreviewOutput& output);
    // The image shown: the output's pixels, or the file's own with the toggle on.
    [[nodiscard]] const QImage& Image() const;
    [[nodiscard]] int Zoom() const;
    void SetZoom(int zoom);
    // The largest zoom at which the whole image fits the window, at least 1.
    void FitToWindow();
    // The status line: the pointed pixel's position, original color and output entry.
    [[nodiscard]] QString StatusText() const;
    // The output entries selected in the color list: their pixels keep their colors and
    // every other pixel is dimmed toward grey, which reads on light and dark colors alike.
    void SetMarkedEntries(const std::vector<int>& entries);
    // What is painted: Image(), or with the marked entries standing out.
    [[nodiscard]] const QImage& ShownImage() const;

  signals:
    // A click on a pixel: its output entry (list position), for the color list to select.
    void entryPicked(int entry);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OpenAtFirstSize();
    void Rebuild();
    void ShowPixel(QPoint pixel);
    [[nodiscard]] QString StatusLine(QPoint pixel, Rgb color, int entry) const;
    [[nodiscard]] bool Inside(QPoint pixel) const;

    std::string path_;
    TrueColorRule rule_;
    FilePixels pixels_;
    PreviewOutput output_;
    QPoint pointed_{-1, -1};
    std::vector<int> marked_;
    QCheckBox* original_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    PreviewCanvas* canvas_ = nullptr;
};

}  // namespace tintwell
