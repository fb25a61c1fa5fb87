#include "app/cli_console.h"

#include <cstdlib>
#include <optional>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>
#endif

namespace tintwell::cli {
namespace {

// An environment variable that is set and not empty.
std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

// The locale that decides the messages' language: the first of these that is set.
std::optional<std::string> LocaleVariable() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (std::optional<std::string> value = Variable(name)) return value;
    }
    return std::nullopt;
}

}  // namespace

#ifdef _WIN32

namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminating null
    return utf8;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(Utf8FromWide(wide[i]));
    ::LocalFree(wide);
    return args;
}

Language EnvironmentLanguage() {
    const std::optional<std::string> locale = LocaleVariable();
    if (!locale) {
        // LANGID's low ten bits are the primary language.
        return (::GetUserDefaultUILanguage() & 0x3ff) == LANG_JAPANESE ? Language::Japanese
                                                                       : Language::English;
    }
    return LanguageOfEnvironment(Variable("LANGUAGE").value_or(""), *locale);
}

Utf8Console::Utf8Console() {
    savedCodePage_ = ::GetConsoleOutputCP();
    // 0 when the program has no console (started with its output in files or pipes).
    if (savedCodePage_ != 0) ::SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    if (savedCodePage_ != 0) ::SetConsoleOutputCP(savedCodePage_);
}

#else

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

Language EnvironmentLanguage() {
    return LanguageOfEnvironment(Variable("LANGUAGE").value_or(""), LocaleVariable().value_or(""));
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

#endif

}  // namespace tintwell::cli
