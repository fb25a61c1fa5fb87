#pragma once

#include <string>
#include <vector>

namespace tintwell::cli {

// The command-line arguments after the program name, as UTF-8. On Windows main's argv holds
// them in the ANSI code page, where a name such as 日本語.bmp becomes question marks; they are
// taken from the UTF-16 command line instead.
[[nodiscard]] std::vector<std::string> CommandLineArguments(int argc, char** argv);

// While it lives, a Windows console shows the program's UTF-8 output as UTF-8 (Japanese
// messages included); the console's own code page comes back afterwards. Output into files
// and pipes is UTF-8 bytes anyway. Nothing to do on other systems.
class Utf8Console {
  public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

#ifdef _WIN32
  private:
    unsigned int savedCodePage_ = 0;
#endif
};

}  // namespace tintwell::cli
