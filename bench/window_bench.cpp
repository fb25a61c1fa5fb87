// Times the window on large inputs (not a test: the numbers are for people).
//
//   tintwell-window-bench drop FILE...   drops the files on the window and reports the time
//                                        until the job has ended, the window painting as it runs
//   tintwell-window-bench colors DIR     writes 128 bitmaps of 256 colors each into DIR (32768
//                                        colors in the bit-reduction mode), drops them, then
//                                        times a pixel-count sort shown on screen and scrolling
//                                        the color list page by page, the file list's
//                                        marks of every color selected, and a merge of
//                                        every color into the first one; then opens the
//                                        preview of a 1024 x 1024 bitmap of 256 colors and
//                                        times an edited color until the preview has repainted
//
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen needs no display.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview_window.h"

namespace {

void PutLe(QByteArray& bytes, int offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An 8-bit bitmap of one row: palette entry i has color colors[i] and is used counts[i] times.
QByteArray Bitmap(const std::vector<std::uint32_t>& colors, const std::vector<int>& counts) {
    int width = 0;
    for (int c : counts)
        width += c;
    const int stride = (width + 3) / 4 * 4;
    const int offset = 54 + 4 * 256;
    QByteArray bytes(offset + stride, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    PutLe(bytes, 10, offset, 4);
    PutLe(bytes, 14, 40, 4);
    PutLe(bytes, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(bytes, 22, 1, 4);
    PutLe(bytes, 26, 1, 2);
    PutLe(bytes, 28, 8, 2);
    PutLe(bytes, 34, static_cast<std::uint32_t>(stride), 4);
    PutLe(bytes, 46, 256, 4);
    for (std::size_t i = 0; i < colors.size(); ++i)
        PutLe(bytes, 54 + 4 * static_cast<int>(i), colors[i], 4);  // B, G, R, 0 little-endian
    int x = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        for (int k = 0; k < counts[i]; ++k)
            bytes[offset + x++] = static_cast<char>(i);
    }
    return bytes;
}

// Starts a job with `start` and returns the milliseconds until it has ended (-1 when it
// did not start), the window painting as it runs.
template <typename Start>
qint64 TimeJob(tintwell::MainWindow& window, Start start) {
    bool done = false;
    const auto connection = QObject::connect(
        &window.view(), &tintwell::QtWorkspaceView::jobFinished, [&] { done = true; });
    QElapsedTimer timer;
    timer.start();
    const bool started = start();
    while (started && !done)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 elapsed = timer.elapsed();
    QObject::disconnect(connection);
    window.workspace().WaitIdle();
    return started ? elapsed : -1;
}

// Drops the files and returns the milliseconds until the job has ended.
qint64 TimeDrop(tintwell::MainWindow& window, const QStringList& files) {
    return TimeJob(window, [&] { return window.DropFiles(files); });
}

// Selects every color and times until the file list has marked each file with its pixels
// of them and painted.
void TimeUsageMarks(tintwell::MainWindow& window) {
    QTreeView* files = window.FileList();
    const QModelIndex first = files->model()->index(0, 0);
    QElapsedTimer timer;
    timer.start();
    window.ColorList()->selectAll();
    while (!first.data(tintwell::FileListModel::kUsageRole).isValid() && timer.elapsed() < 10000)
        QApplication::processEvents();
    files->viewport()->repaint();
    std::cout << "file list marked for " << window.workspace().ColorCount()
              << " selected colors: " << timer.nsecsElapsed() / 1000 << " us\n";
}

// Selects every color, focuses row 0 and times the merge of the rest into it.
void TimeMergeAll(tintwell::MainWindow& window) {
    QTreeView* list = window.ColorList();
    const int before = window.workspace().ColorCount();
    list->selectAll();
    list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                            QItemSelectionModel::NoUpdate);
    const qint64 ms =
        TimeJob(window, [&] { return window.workspace().OnMerge(tintwell::SelectionOf(*list)); });
    std::cout << "merge of " << before - 1 << " colors into one: " << ms << " ms, "
              << window.workspace().ColorCount() << " left\n";
}

// A 1024 x 1024 8-bit bitmap whose pixel (x, y) uses palette entry (x + y) % 256.
QByteArray LargeBitmap() {
    constexpr int kSide = 1024;
    QByteArray bytes(54 + 1024 + kSide * kSide, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    PutLe(bytes, 10, 54 + 1024, 4);
    PutLe(bytes, 14, 40, 4);
    PutLe(bytes, 18, kSide, 4);
    PutLe(bytes, 22, kSide, 4);
    PutLe(bytes, 26, 1, 2);
    PutLe(bytes, 28, 8, 2);
    for (int i = 0; i < 256; ++i)
        PutLe(bytes, 54 + 4 * i, static_cast<std::uint32_t>(i * 0x010203u) & 0xFFFFFF, 4);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x)
            bytes[54 + 1024 + y * kSide + x] = static_cast<char>((x + y) % 256);
    }
    return bytes;
}

// Opens the preview of a large bitmap and times, three times, a color edit's Apply until
// the preview has taken the new colors and painted what it shows.
void TimePreviewRepaint(tintwell::MainWindow& window, const QDir& dir) {
    const QString path = dir.filePath(QStringLiteral("preview.bmp"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return;
    out.write(LargeBitmap());
    out.close();
    window.workspace().OnClearAll();
    TimeDrop(window, {path});
    const QPointer<tintwell::PreviewWindow> preview = window.OpenPreview(0);
    while (preview != nullptr && preview->Loading())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (preview == nullptr || !preview->isVisible()) return;
    preview->resize(1100, 1100);
    QApplication::processEvents();
    for (int round = 0; round < 3; ++round) {
        std::optional<tintwell::ColorEditSession> session =
            window.workspace().OnColorListDblClk(tintwell::Selection{{round}, round});
        if (!session) return;
        const auto before = preview->ShownColors();
        QElapsedTimer timer;
        timer.start();
        session->Apply(255, round * 40, 0);
        while (preview->ShownColors() == before)
            QApplication::processEvents();
        preview->repaint();
        std::cout << "preview of 1024 x 1024 after a color edit: " << timer.nsecsElapsed() / 1000
                  << " us\n";
        session->Cancel();
        QApplication::processEvents();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2 || (args[0] != "drop" && args[0] != "colors")) {
        std::cerr << "usage: tintwell-window-bench drop FILE... | colors DIR\n";
        return 2;
    }
    tintwell::Settings settings;
    settings.outDir = QDir::tempPath().toStdString();
    tintwell::MainWindow window(
        settings,
        tintwell::WorkspaceOptions{QDir::tempPath().toStdString() + "/tintwell-bench-palettes",
                                   tintwell::RunMode::Threaded, 4});
    window.view().SetMessagePresenter([](tintwell::Msg, const QString& text) {
        std::cerr << "message: " << text.toStdString() << '\n';
    });
    window.Initialise(QRect(0, 0, 1920, 1080));
    window.show();
    QApplication::processEvents();

    if (args[0] == "drop") {
        const qint64 ms = TimeDrop(window, args.mid(1));
        std::cout << "drop of " << args.size() - 1 << " files: " << ms << " ms, "
                  << window.workspace().FileCount() << " listed, "
                  << window.workspace().ColorCount() << " colors\n";
        return 0;
    }

    QDir dir(args[1]);
    dir.mkpath(QStringLiteral("."));
    QStringList files;
    for (int file = 0; file < 128; ++file) {
        std::vector<std::uint32_t> colors;
        std::vector<int> counts;
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t n = static_cast<std::uint32_t>(file * 256 + i);
            // 32768 distinct colors: 5 bits per channel spread over the byte.
            colors.push_back(((n >> 10) & 31) << 19 | ((n >> 5) & 31) << 11 | (n & 31) << 3);
            counts.push_back(1 + (i * 7 + file) % 13);
        }
        const QString path = dir.filePath(QStringLiteral("c%1.bmp").arg(file, 3, 10, QChar('0')));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly)) return 1;
        out.write(Bitmap(colors, counts));
        files.append(path);
    }
    const qint64 dropMs = TimeDrop(window, files);
    std::cout << "drop of 128 files: " << dropMs << " ms, " << window.workspace().ColorCount()
              << " colors\n";

    QTreeView* list = window.ColorList();
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        const auto after = window.workspace().OnColorColumnClick(1, tintwell::SelectionOf(*list));
        if (after) tintwell::ApplySelection(*list, *after);
        list->viewport()->repaint();
        std::cout << "pixel-count sort shown: " << timer.nsecsElapsed() / 1000 << " us\n";
    }
    QScrollBar* bar = list->verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    qint64 worst = 0;
    int frames = 0;
    for (int value = bar->minimum(); value <= bar->maximum(); value += bar->pageStep() * 16) {
        QElapsedTimer frame;
        frame.start();
        bar->setValue(value);
        list->viewport()->repaint();
        worst = std::max(worst, frame.nsecsElapsed() / 1000);
        ++frames;
    }
    std::cout << "scrolling: " << frames << " pages, "
              << timer.nsecsElapsed() / 1000 / std::max(frames, 1)
              << " us per page on average, worst " << worst << " us\n";
    TimeUsageMarks(window);
    TimeMergeAll(window);
    TimePreviewRepaint(window, dir);
    return 0;
}
