#pragma once

#include <QImage>
#include <QWidget>
#include <array>
#include <string>
#include <thread>
#include <vector>

#include "jobs/preview_job.h"
#include "palette/color.h"
#include "palette/color_table.h"
#include "ui/preview_pixels.h"

class QCheckBox;
class QLabel;
class QScrollArea;

namespace tintwell {

// The image of a preview at a whole zoom factor, drawn without smoothing. It holds the file
// indices (one byte a pixel) and a 256-entry lookup, and turns only the exposed part into
// colors when it paints, so a large image costs no more than its indices.
class PreviewCanvas final : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewCanvas(QWidget* parent = nullptr);
    void SetPixels(FilePixels pixels);
    [[nodiscard]] const FilePixels& Pixels() const { return pixels_; }
    // What each file index is painted as.
    void SetColors(const std::array<QRgb, kFileIndexCount>& colors);
    void SetZoom(int zoom);
    [[nodiscard]] int Zoom() const { return zoom_; }
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

    FilePixels pixels_;
    std::array<QRgb, kFileIndexCount> colors_{};
    int zoom_ = 1;
};

// A window of its own that shows one listed file as its output would be: each pixel's file
// index through the current output colors. The file is read on a worker thread while the
// window shows that it loads; it keeps the file's indices and only the 256-entry lookup
// changes, so following the table never reads the file again. Ctrl with the mouse wheel
// zooms from 1x to 16x; Escape closes it.
class PreviewWindow final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxZoom = 16;

    explicit PreviewWindow(const std::string& path, QWidget* parent = nullptr);
    // Stops a read under way and waits for it, which takes at most a row.
    ~PreviewWindow() override;

    // Reads the file's indices on a worker thread, dropping a read under way. The first read
    // sizes the window; a later one (the file numbered otherwise) keeps size and zoom.
    void Load(PreviewRequest request);
    [[nodiscard]] bool Loading() const { return loading_; }

    // The record this window shows, for the main window to find it again.
    [[nodiscard]] const std::string& Path() const { return path_; }
    [[nodiscard]] const TrueColorRule& Rule() const { return rule_; }
    // What each file index now becomes in the output: the image follows at once.
    void SetOutput(const PreviewOutput& output);
    // The image shown: the output's pixels, or the file's own with the toggle on. Made on
    // demand (4 bytes a pixel): what is painted never needs it whole.
    [[nodiscard]] QImage Image() const;
    [[nodiscard]] int Zoom() const;
    void SetZoom(int zoom);
    // The largest zoom at which the whole image fits the window, at least 1.
    void FitToWindow();
    // The status line: the pointed pixel's position, original color and output entry, or
    // that the file is being read.
    [[nodiscard]] QString StatusText() const;
    // The output entries selected in the color list: their pixels keep their colors and
    // every other pixel is dimmed toward grey, which reads on light and dark colors alike.
    void SetMarkedEntries(const std::vector<int>& entries);
    // What is painted: Image(), or with the marked entries standing out; made on demand.
    [[nodiscard]] QImage ShownImage() const;
    // The color each file index is painted in.
    [[nodiscard]] const std::array<QRgb, kFileIndexCount>& ShownColors() const {
        return shownColors_;
    }

  signals:
    // A click on a pixel: its output entry (list position), for the color list to select.
    void entryPicked(int entry);
    // The file's indices have arrived and are shown.
    void loaded();
    // The file could not be read; the window has closed.
    void loadFailed(tintwell::Msg error);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void TakePixels(unsigned load, FilePixels pixels);
    void OpenAtFirstSize();
    [[nodiscard]] QRect FreeArea() const;
    void Rebuild();
    void ShowPixel(QPoint pixel);
    [[nodiscard]] QString StatusLine(QPoint pixel, Rgb color, int entry) const;
    [[nodiscard]] bool Inside(QPoint pixel) const;
    [[nodiscard]] const FilePixels& Pixels() const { return canvas_->Pixels(); }

    std::string path_;
    TrueColorRule rule_;
    PreviewOutput output_;
    std::array<QRgb, kFileIndexCount> imageColors_{};
    std::array<QRgb, kFileIndexCount> shownColors_{};
    QPoint pointed_{-1, -1};
    std::vector<int> marked_;
    bool loading_ = false;
    bool sized_ = false;  // the first pixels have sized the window
    unsigned load_ = 0;   // the read whose value is awaited; older values are dropped
    QCheckBox* original_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    PreviewCanvas* canvas_ = nullptr;
    std::jthread reader_;
};

}  // namespace tintwell
