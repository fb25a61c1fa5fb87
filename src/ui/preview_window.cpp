#include "ui/preview_window.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tintwell {
namespace {

int IndexAt(const FilePixels& pixels, QPoint pixel) {
    return pixels.indices[static_cast<std::size_t>(pixel.y()) * pixels.width + pixel.x()];
}

// The lookup runs once per pixel into 32-bit pixels, which paint without conversion.
QImage MappedImage(const FilePixels& pixels, const std::array<QRgb, kFileIndexCount>& lookup) {
    QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height; ++y) {
        const std::uint8_t* in = pixels.indices.data() + static_cast<std::size_t>(y) * pixels.width;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels.width; ++x)
            out[x] = lookup[in[x]];
    }
    return image;
}

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PreviewCanvas::SetImage(QImage image, QImage shown) {
    image_ = std::move(image);
    shown_ = std::move(shown);
    resize(sizeHint());
    update();
}

void PreviewCanvas::SetZoom(int zoom) {
    zoom_ = std::clamp(zoom, 1, PreviewWindow::kMaxZoom);
    resize(sizeHint());
    update();
}

QSize PreviewCanvas::sizeHint() const {
    return image_.size() * zoom_;
}

void PreviewCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Whole factors and no smoothing: each pixel a sharp zoom x zoom square.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect exposed = event->rect();
    const QRect source(exposed.x() / zoom_, exposed.y() / zoom_, exposed.width() / zoom_ + 2,
                       exposed.height() / zoom_ + 2);
    const QRect part = source.intersected(image_.rect());
    painter.drawImage(QRect(part.topLeft() * zoom_, part.size() * zoom_), shown_, part);
}

// QPoint's division rounds; a pixel covers [x * zoom, (x + 1) * zoom).
QPoint PreviewCanvas::PixelAt(QPointF position) const {
    return {static_cast<int>(std::floor(position.x() / zoom_)),
            static_cast<int>(std::floor(position.y() / zoom_))};
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
    emit pointed(PixelAt(event->position()));
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(PixelAt(event->position()));
}

PreviewWindow::PreviewWindow(const std::string& path, FilePixels pixels, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(path), pixels_(std::move(pixels)) {
    setObjectName(QStringLiteral("preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(QString::fromUtf8(path.c_str())).fileName());

    original_ = new QCheckBox(tr("元の色"), this);
    original_->setObjectName(QStringLiteral("originalToggle"));
    auto* fit = new QPushButton(tr("全体表示"), this);
    fit->setObjectName(QStringLiteral("fitButton"));
    fit->setAutoDefault(false);
    zoomLabel_ = new QLabel(this);
    canvas_ = new PreviewCanvas;
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(false);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->viewport()->installEventFilter(this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("previewStatus"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(original_);
    bar->addWidget(fit);
    bar->addStretch();
    bar->addWidget(zoomLabel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);
    layout->addWidget(status_);

    connect(original_, &QCheckBox::toggled, this, &PreviewWindow::Rebuild);
    connect(fit, &QPushButton::clicked, this, &PreviewWindow::FitToWindow);
    connect(canvas_, &PreviewCanvas::pointed, this, &PreviewWindow::ShowPixel);
    connect(canvas_, &PreviewCanvas::clicked, this, [this](QPoint pixel) {
        if (Inside(pixel)) emit entryPicked(output_.entries[IndexAt(pixels_, pixel)]);
    });
    // A long status text is cut at the window's edge rather than widening the window.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    OpenAtFirstSize();
}

// The largest whole zoom at which the image fits half the screen's free width and height,
// and the window that shows all of it with the status line whole: a 32 x 32 sprite opens
// large enough to see its pixels. An image too large for that opens at 1x, the window
// bounded by the free area and scrolled.
void PreviewWindow::OpenAtFirstSize() {
    const QScreen* shown = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    const QRect free = shown != nullptr ? shown->availableGeometry() : QRect(0, 0, 1024, 768);
    int zoom = 1;
    if (pixels_.width > 0 && pixels_.height > 0) {
        zoom = std::min(free.width() / 2 / pixels_.width, free.height() / 2 / pixels_.height);
    }
    SetZoom(zoom);
    // Measured with the style's fonts and frames, which polishing brings. The status line
    // takes the height of its longest text (its Japanese may come from a taller fallback
    // font), so the text that appears under the mouse never squeezes the image.
    ensurePolished();
    status_->setText(StatusLine({pixels_.width - 1, pixels_.height - 1}, {255, 255, 255}, 255));
    const QSize line = status_->sizeHint();
    status_->setFixedHeight(line.height());
    status_->clear();
    // A first guess from the canvas and the status line; once the layout has placed the
    // widgets, whatever the scroll area still lacks for the canvas is added.
    const QSize canvas(pixels_.width * Zoom(), pixels_.height * Zoom());
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * scroll_->frameWidth();
    resize(std::max(canvas.width() + frame, line.width()) + margins.left() + margins.right(),
           canvas.height() + frame);
    layout()->activate();
    const QSize lacking = (canvas - scroll_->maximumViewportSize()).expandedTo(QSize(0, 0));
    resize((size() + lacking).boundedTo(free.size()));
}

void PreviewWindow::SetPixels(FilePixels pixels) {
    pixels_ = std::move(pixels);
    Rebuild();
}

void PreviewWindow::SetOutput(const PreviewOutput& output) {
    output_ = output;
    Rebuild();
    ShowPixel(pointed_);
}

bool PreviewWindow::Inside(QPoint pixel) const {
    return pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < pixels_.width &&
           pixel.y() < pixels_.height;
}

void PreviewWindow::ShowPixel(QPoint pixel) {
    pointed_ = pixel;
    status_->setText(StatusText());
}

QString PreviewWindow::StatusText() const {
    if (!Inside(pointed_)) return {};
    const int index = IndexAt(pixels_, pointed_);
    return StatusLine(pointed_, pixels_.fileColors[index], output_.entries[index]);
}

QString PreviewWindow::StatusLine(QPoint pixel, Rgb color, int entry) const {
    return tr("(%1, %2)  元の色 %3,%4,%5  パレット番号 %6")
        .arg(pixel.x())
        .arg(pixel.y())
        .arg(color.red)
        .arg(color.green)
        .arg(color.blue)
        .arg(entry);
}

const QImage& PreviewWindow::Image() const {
    return canvas_->Image();
}

const QImage& PreviewWindow::ShownImage() const {
    return canvas_->ShownImage();
}

void PreviewWindow::SetMarkedEntries(const std::vector<int>& entries) {
    if (entries == marked_) return;
    marked_ = entries;
    Rebuild();
}

int PreviewWindow::Zoom() const {
    return canvas_->Zoom();
}

void PreviewWindow::SetZoom(int zoom) {
    canvas_->SetZoom(zoom);
    zoomLabel_->setText(tr("%1倍").arg(canvas_->Zoom()));
}

void PreviewWindow::FitToWindow() {
    const QSize room = scroll_->maximumViewportSize();
    int zoom = 1;
    if (pixels_.width > 0 && pixels_.height > 0)
        zoom = std::min(room.width() / pixels_.width, room.height() / pixels_.height);
    SetZoom(zoom);
}

void PreviewWindow::Rebuild() {
    const std::array<Rgb, kFileIndexCount>& colors =
        original_->isChecked() ? pixels_.fileColors : output_.colors;
    std::array<QRgb, kFileIndexCount> lookup{};
    for (int i = 0; i < kFileIndexCount; ++i)
        lookup[i] = qRgb(colors[i].red, colors[i].green, colors[i].blue);
    QImage image = MappedImage(pixels_, lookup);
    // The file indices whose entry is marked; the others are dimmed in what is painted.
    std::array<bool, kFileIndexCount> marked{};
    bool any = false;
    for (int i = 0; i < kFileIndexCount; ++i) {
        marked[i] = std::find(marked_.begin(), marked_.end(), output_.entries[i]) != marked_.end();
        any = any || marked[i];
    }
    if (!any || original_->isChecked()) {
        QImage shown = image;
        canvas_->SetImage(std::move(image), std::move(shown));
        return;
    }
    for (int i = 0; i < kFileIndexCount; ++i) {
        if (!marked[i])
            lookup[i] = qRgb((qRed(lookup[i]) + 3 * 128) / 4, (qGreen(lookup[i]) + 3 * 128) / 4,
                             (qBlue(lookup[i]) + 3 * 128) / 4);
    }
    QImage shown = MappedImage(pixels_, lookup);
    canvas_->SetImage(std::move(image), std::move(shown));
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y() / 120;
            if (steps != 0) SetZoom(Zoom() + steps);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tintwell
