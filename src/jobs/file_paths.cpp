#include "jobs/file_paths.h"

#include "jobs/native_file.h"

#include <exception>
#include <system_error>

namespace tintwell {
namespace {

std::size_t NameStart(std::string_view path) {
    const std::size_t sep = path.find_last_of(kPathSeparators);
    return sep == std::string_view::npos ? 0 : sep + 1;
}

unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
    try {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    } catch (const std::exception&) {
        // Not UTF-8: each stray byte becomes U+FFFD, a name no file has, so opening fails
        // as for any missing file instead of reaching a wrong one.
        std::wstring wide;
        for (const char c : utf8)
            wide += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'\xFFFD';
        return std::filesystem::path(wide);
    }
#else
    // The native narrow encoding: bytes go through as they are, valid UTF-8 or not.
    return std::filesystem::path(std::string(utf8));
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

std::filesystem::path AbsolutePath(std::string_view utf8) {
    std::filesystem::path path = PathFromUtf8(utf8);
#ifdef _WIN32
    if (utf8.size() >= 2 && IsPathSeparator(utf8[0]) && IsPathSeparator(utf8[1]))
        return path.make_preferred();
#endif
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute;
}

std::string_view DirectoryPart(std::string_view path) {
    return path.substr(0, NameStart(path));
}

std::string_view BaseNamePart(std::string_view path) {
    const std::string_view name = path.substr(NameStart(path));
    return name.substr(0, name.rfind('.'));
}

std::string_view ExtensionPart(std::string_view path) {
    const std::string_view name = path.substr(NameStart(path));
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::optional<ImageFormat> ImageFormatOfExtension(std::string_view path) {
    const std::string_view ext = ExtensionPart(path);
    for (const ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png}) {
        if (CompareBaseNames(ext, ExtensionOf(format)) == 0) return format;
    }
    return std::nullopt;
}

int CompareBaseNames(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = FoldAscii(static_cast<unsigned char>(a[i]));
        const unsigned char cb = FoldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const auto idA = native::IdentityOf(a);
    const auto idB = native::IdentityOf(b);
    if (idA && idB) return *idA == *idB;
    // A path that does not exist cannot alias an existing file, but two spellings of one
    // missing path still name the same place.
    const auto normal = [](const std::filesystem::path& p) {
        std::error_code e;
        auto abs = std::filesystem::absolute(p, e);
        return (e ? p : abs).lexically_normal();
    };
    return normal(a) == normal(b);
}

bool IsPathTooLong(std::string_view path, bool directory) {
#ifdef _WIN32
    // Counted as the system will see it: UTF-16, the current folder put before a relative
    // path. A path that cannot even be made absolute is no path to take.
    const std::filesystem::path full = AbsolutePath(path);
    const std::wstring& text = full.native();
    if (text.size() > (directory ? kMaxDirectoryUnits : kMaxPathUnits)) return true;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(L"/\\", start);
        if (end == std::wstring::npos) end = text.size();
        if (end - start > kMaxNameUnits) return true;
        start = end + 1;
    }
    return false;
#else
    (void)directory;
    if (path.size() > kMaxPathBytes) return true;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(kPathSeparators, start);
        if (end == std::string_view::npos) end = path.size();
        if (end - start > kMaxNameBytes) return true;
        start = end + 1;
    }
    return false;
#endif
}

}  // namespace tintwell
