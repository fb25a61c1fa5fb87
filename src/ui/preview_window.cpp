#include "ui/preview_window.h"

#include <QCheckBox>
#include <QCloseEvent>
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
#include <memory>
#include <utility>

#include "ui/utf8_text.h"

namespace tintwell {
namespace {

int IndexAt(const FilePixels& pixels, QPoint pixel) {
    return pixels.indices[static_cast<std::size_t>(pixel.y()) * pixels.width + pixel.x()];
}

// The pixels of `part` through the lookup into 32-bit pixels, which paint without
// conversion.
QImage MappedImage(const FilePixels& pixels, const std::array<QRgb, kFileIndexCount>& lookup,
                   const QRect& part) {
    QImage image(part.size(), QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y) {
        const std::uint8_t* in = pixels.indices.data() +
                                 static_cast<std::size_t>(part.y() + y) * pixels.width + part.x();
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < part.width(); ++x)
            out[x] = lookup[in[x]];
    }
    return image;
}

QRect WholeImage(const FilePixels& pixels) {
    return {0, 0, pixels.width, pixels.height};
}

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PreviewCanvas::SetPixels(FilePixels pixels) {
    pixels_ = std::move(pixels);
    resize(sizeHint());
    update();
}

void PreviewCanvas::SetColors(const std::array<QRgb, kFileIndexCount>& colors) {
    colors_ = colors;
    update();
}

void PreviewCanvas::SetZoom(int zoom) {
    // No wider or higher than a widget may be, whatever the image.
    const int side = std::max({pixels_.width, pixels_.height, 1});
    zoom_ = std::clamp(zoom, 1, std::clamp(QWIDGETSIZE_MAX / side, 1, PreviewWindow::kMaxZoom));
    resize(sizeHint());
    update();
}

QSize PreviewCanvas::sizeHint() const {
    return QSize(pixels_.width, pixels_.height) * zoom_;
}

void PreviewCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Whole factors and no smoothing: each pixel a sharp zoom x zoom square.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect exposed = event->rect();
    const QRect source(exposed.x() / zoom_, exposed.y() / zoom_, exposed.width() / zoom_ + 2,
                       exposed.height() / zoom_ + 2);
    const QRect part = source.intersected(WholeImage(pixels_));
    if (part.isEmpty()) return;
    painter.drawImage(QRect(part.topLeft() * zoom_, part.size() * zoom_),
                      MappedImage(pixels_, colors_, part));
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

PreviewWindow::PreviewWindow(const std::string& path, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(path) {
    setObjectName(QStringLiteral("preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(FromUtf8(path)).fileName());

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
        if (Inside(pixel)) emit entryPicked(output_.entries[IndexAt(Pixels(), pixel)]);
    });
    // A long status text is cut at the window's edge rather than widening the window.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    SetZoom(1);
    // While it loads the window takes the room a preview takes at most, so the window system
    // places it where that fits; the pixels then only ever shrink it.
    resize(FreeArea().size() / 2 + sizeHint());
}

PreviewWindow::~PreviewWindow() {
    // The reader posts its value to this window: it must end before the window does.
    reader_ = {};
}

// The worker reads from its own copy of the request and hands the value back through a
// queued call, so it never touches the window and never waits for it. A value that arrives
// after a newer read began, or after the window closed, is dropped by its number.
void PreviewWindow::Load(PreviewRequest request) {
    reader_ = {};
    path_ = request.path;
    rule_ = request.rule;
    loading_ = true;
    const unsigned load = ++load_;
    if (sized_) canvas_->SetPixels({});
    ShowPixel({-1, -1});
    // Runs on a worker: touches no Workspace state, and of the window only its address, to
    // post the value to it.
    reader_ =
        std::jthread([this, load, request = std::move(request)](std::stop_token stop) mutable {
            auto pixels = std::make_shared<FilePixels>(ReadFilePixels(std::move(request), stop));
            if (stop.stop_requested()) return;
            QMetaObject::invokeMethod(
                this, [this, load, pixels] { TakePixels(load, std::move(*pixels)); },
                Qt::QueuedConnection);
        });
}

void PreviewWindow::TakePixels(unsigned load, FilePixels pixels) {
    if (load != load_) return;
    loading_ = false;
    if (pixels.error != Msg::None) {
        close();
        emit loadFailed(pixels.error);
        return;
    }
    canvas_->SetPixels(std::move(pixels));
    Rebuild();
    if (!sized_) OpenAtFirstSize();
    sized_ = true;
    ShowPixel(pointed_);
    emit loaded();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    // Closing never waits for the reader; it stops within a row and is joined on deletion.
    reader_.request_stop();
    ++load_;
    loading_ = false;
}

// The largest whole zoom at which the image fits half the screen's free width and height,
// and the window that shows all of it with the status line whole: a 32 x 32 sprite opens
// large enough to see its pixels. An image larger than half the screen even at 1x opens at
// 1x in a window of half the screen, scrolled.
void PreviewWindow::OpenAtFirstSize() {
    const QRect free = FreeArea();
    const QSize half = free.size() / 2;
    const QSize image(Pixels().width, Pixels().height);
    int zoom = 1;
    if (!image.isEmpty())
        zoom = std::min(half.width() / image.width(), half.height() / image.height());
    SetZoom(zoom);
    // Measured with the style's fonts and frames, which polishing brings. The status line
    // takes the height of its longest text (its Japanese may come from a taller fallback
    // font), so the text that appears under the mouse never squeezes the image.
    ensurePolished();
    status_->setText(StatusLine({image.width() - 1, image.height() - 1}, {255, 255, 255}, 255));
    const QSize line = status_->sizeHint();
    status_->setFixedHeight(line.height());
    status_->clear();
    const QSize canvas = image * Zoom();
    const QSize bound = canvas.boundedTo(half) == canvas ? free.size() : half;
    const QSize room = canvas.boundedTo(bound);
    // A first guess from the canvas and the status line; once the layout has placed the
    // widgets, whatever the scroll area still lacks for the canvas is added.
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * scroll_->frameWidth();
    resize(std::max(room.width() + frame, line.width()) + margins.left() + margins.right(),
           room.height() + frame);
    layout()->activate();
    const QSize lacking = (room - scroll_->maximumViewportSize()).expandedTo(QSize(0, 0));
    resize((size() + lacking).boundedTo(bound));
}

QRect PreviewWindow::FreeArea() const {
    const QScreen* shown = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    return shown != nullptr ? shown->availableGeometry() : QRect(0, 0, 1024, 768);
}

void PreviewWindow::SetOutput(const PreviewOutput& output) {
    output_ = output;
    Rebuild();
    ShowPixel(pointed_);
}

bool PreviewWindow::Inside(QPoint pixel) const {
    return pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < Pixels().width &&
           pixel.y() < Pixels().height;
}

void PreviewWindow::ShowPixel(QPoint pixel) {
    pointed_ = pixel;
    status_->setText(StatusText());
}

QString PreviewWindow::StatusText() const {
    if (loading_) return tr("読み込み中…");
    if (!Inside(pointed_)) return {};
    const int index = IndexAt(Pixels(), pointed_);
    return StatusLine(pointed_, Pixels().fileColors[index], output_.entries[index]);
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

QImage PreviewWindow::Image() const {
    return MappedImage(Pixels(), imageColors_, WholeImage(Pixels()));
}

QImage PreviewWindow::ShownImage() const {
    return MappedImage(Pixels(), shownColors_, WholeImage(Pixels()));
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
    if (Pixels().width > 0 && Pixels().height > 0)
        zoom = std::min(room.width() / Pixels().width, room.height() / Pixels().height);
    SetZoom(zoom);
}

// Only the 256-entry lookups change; the canvas repaints what is exposed through them.
void PreviewWindow::Rebuild() {
    const std::array<Rgb, kFileIndexCount>& colors =
        original_->isChecked() ? Pixels().fileColors : output_.colors;
    for (int i = 0; i < kFileIndexCount; ++i)
        imageColors_[i] = qRgb(colors[i].red, colors[i].green, colors[i].blue);
    shownColors_ = imageColors_;
    // The file indices whose entry is marked; the others are dimmed in what is painted.
    std::array<bool, kFileIndexCount> marked{};
    bool any = false;
    for (int i = 0; i < kFileIndexCount; ++i) {
        marked[i] = std::find(marked_.begin(), marked_.end(), output_.entries[i]) != marked_.end();
        any = any || marked[i];
    }
    if (any && !original_->isChecked()) {
        for (int i = 0; i < kFileIndexCount; ++i) {
            const QRgb c = imageColors_[i];
            if (!marked[i])
                shownColors_[i] = qRgb((qRed(c) + 3 * 128) / 4, (qGreen(c) + 3 * 128) / 4,
                                       (qBlue(c) + 3 * 128) / 4);
        }
    }
    canvas_->SetColors(shownColors_);
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
