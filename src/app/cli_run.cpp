#include "app/cli_run.h"

#include <atomic>
#include <csignal>
#include <utility>

#include "app/cli_batch.h"
#include "app/cli_options.h"
#include "app/json_writer.h"

namespace tintwell::cli {
namespace {

// A stop asked for by a signal, and the Workspace it must reach. Both are lock-free atomics,
// so the signal handler may touch them; Workspace::OnAbort only sets its abort flag.
std::atomic<int> stopSignal{0};
std::atomic<Workspace*> running{nullptr};
static_assert(std::atomic<int>::is_always_lock_free &&
              std::atomic<Workspace*>::is_always_lock_free);
constexpr const char* kVersion = "0.1.0";

}  // namespace

void SetRunning(Workspace* workspace) {
    running.store(workspace);
}

int StopSignal() {
    return stopSignal.load();
}

void PassOnStop() {
    if (stopSignal.load() == 0) return;
    if (Workspace* ws = running.load()) ws->OnAbort();
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool progress) {
    ParseResult parsed = ParseArguments(args);
    if (parsed.options.help) {
        out << UsageText();
        return 0;
    }
    if (parsed.options.version) {
        out << "tintwell-cli " << kVersion << '\n';
        return 0;
    }
    if (!parsed.error.empty()) {
        err << "tintwell-cli: " << parsed.error << "\n"
            << "Try 'tintwell-cli --help' for more information.\n";
        if (parsed.options.json) out << JsonError(parsed.error);
        return 2;
    }
    if (parsed.options.language) SetLanguage(*parsed.options.language);
    Batch batch(std::move(parsed.options), out, err, progress);
    const int status = batch.Run();
    // A result that never reached its reader (a full disk behind standard output, say) is
    // a failure, not a success.
    out.flush();
    if (!out) {
        err << "tintwell-cli: the result could not be written to standard output\n";
        return status > 2 ? status : 2;
    }
    return status;
}

void RequestStop(int signal) noexcept {
    stopSignal.store(signal);
    if (Workspace* ws = running.load()) ws->OnAbort();
}

void InstallStopHandlers() {
#ifdef _WIN32
    for (int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int s) { RequestStop(s); });
#else
    // The first signal stops the run as the abort button would; a second one, with the
    // handler reset, ends the process at once (an anonymous output file vanishes with it).
    struct sigaction action {};
    action.sa_handler = [](int s) { RequestStop(s); };
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

}  // namespace tintwell::cli
