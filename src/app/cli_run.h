#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tintwell::cli {

// Runs the command-line tool: `args` without the program name. The summary (or JSON) goes
// to `out`, messages to `err`, and a progress line to `err` when `progress` is set.
// Returns the exit status: 0 everything done; 1 some file refused, skipped as existing or
// failed; 2 usage error or nothing could be done.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool progress);

// Stops the run as the abort button would: the job under way ends after the file in hand,
// nothing more is done and RunCli returns 128 + `signal`. Safe to call from a signal handler.
void RequestStop(int signal) noexcept;

// Makes SIGINT, SIGTERM and SIGHUP (SIGINT and SIGTERM on Windows) call RequestStop.
void InstallStopHandlers();

}  // namespace tintwell::cli
