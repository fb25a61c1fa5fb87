#include "palette/palette_codec.h"

#include <charconv>

namespace tintwell {
namespace {

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

}  // namespace

TextLines::TextLines(std::string_view text) : rest_(text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (rest_.starts_with(kByteOrderMark)) rest_.remove_prefix(kByteOrderMark.size());
}

bool TextLines::Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++number_;
    return true;
}

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool ParseDecimalTriple(std::string_view line, Rgb& color, std::string_view& rest) {
    unsigned values[3] = {};
    for (unsigned& value : values) {
        std::size_t start = 0;
        while (start < line.size() && IsBlank(line[start]))
            ++start;
        // Every number but the first must be set apart from the one before it.
        if (&value != values && start == 0) return false;
        const char* first = line.data() + start;
        const char* last = line.data() + line.size();
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc{} || end == first || value > 255) return false;
        line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    }
    if (!line.empty() && !IsBlank(line.front())) return false;
    color = Rgb{static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
                static_cast<std::uint8_t>(values[2])};
    rest = line;
    return true;
}

}  // namespace tintwell
