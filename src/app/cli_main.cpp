#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli_console.h"
#include "app/cli_run.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    tintwell::cli::InstallStopHandlers();
    const tintwell::cli::Utf8Console console;
    tintwell::SetLanguage(tintwell::cli::EnvironmentLanguage());
    const std::vector<std::string> args = tintwell::cli::CommandLineArguments(argc, argv);
    const bool progress = isatty(STDERR_FILENO) == 1;
    const int status = tintwell::cli::RunCli(args, std::cout, std::cerr, progress);
    std::cout.flush();
    return status;
}
