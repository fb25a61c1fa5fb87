#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>

#include "app/palette_folder.h"
#include "app/qt_settings_store.h"
#include "app/window_language.h"
#include "jobs/settings.h"
#include "ui/main_window.h"
#include "ui/translations.h"
#include "ui/utf8_text.h"

namespace {

// The program was ended by a signal (a logout, kill): nothing may then wait for the user.
bool stoppedBySignal = false;

#ifndef _WIN32
int signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const char byte = 1;
    // Only write() is safe here; the event loop reads the byte and quits.
    [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C) end the event loop as a quit would: the
// window is destroyed, a running job is aborted and joined, the settings are written.
void QuitOnStopSignals(QApplication& app) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char byte = 0;
        [[maybe_unused]] const auto got = read(signalPipe[0], &byte, 1);
        stoppedBySignal = true;
        // exit, not quit: quit asks the window to close, which it refuses while a job runs.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}
#else
// Windows ends a GUI program through its window messages, which Qt turns into a quit.
void QuitOnStopSignals(QApplication&) {}
#endif

}  // namespace

// tintwell [--lang ja|en] [FILE...]: the window; the named files are added at start as one
// drop.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tintwell::SetApplicationNames();
    QApplication::setWindowIcon(tintwell::ApplicationIcon());

    QStringList files = QCoreApplication::arguments().mid(1);
    QString error;
    const std::optional<tintwell::Language> language = tintwell::TakeLanguageOption(files, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tintwell: %s\n", tintwell::ToUtf8(error).c_str());
#ifdef _WIN32
        // A Windows GUI program has no console: the user would never see the line above.
        QMessageBox::warning(nullptr, QStringLiteral("Tintwell"), error);
#endif
        return 2;
    }
    QuitOnStopSignals(app);

    tintwell::QtSettingsStore store;
    // Before any window is built: every text is taken in this language.
    tintwell::UseLanguage(
        tintwell::WindowLanguage(language, store, QLocale::system().uiLanguages()));
    const tintwell::Settings settings = tintwell::LoadSettings(store);
    auto window = std::make_unique<tintwell::MainWindow>(
        settings, tintwell::WorkspaceOptions{tintwell::PaletteFolder(), tintwell::RunMode::Threaded,
                                             tintwell::DefaultWorkerCount()});
    const QScreen* screen = QGuiApplication::primaryScreen();
    window->Initialise(screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 1024, 768));
    window->show();
    QObject::connect(window.get(), &QDialog::finished, &app, &QCoreApplication::quit);

    if (!files.isEmpty()) window->DropFiles(files);

    const int status = QApplication::exec();
    // The event loop may have ended while a job ran (a signal, the session ending): the
    // window's Workspace then aborts the job and joins it when it is destroyed. The state
    // is read first; a job changes it only on this thread, which no longer runs its steps.
    const tintwell::Settings last = window->ExportSettings();
    window.reset();
    tintwell::SaveSettingsAtExit(last, store, [](const QString& text) {
        std::fprintf(stderr, "tintwell: %s\n", tintwell::ToUtf8(text).c_str());
        if (!stoppedBySignal) QMessageBox::warning(nullptr, QStringLiteral("Tintwell"), text);
    });
    return status;
}
