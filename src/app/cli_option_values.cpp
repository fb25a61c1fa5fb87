#include "app/cli_option_values.h"

#include <charconv>
#include <string_view>

namespace tintwell::cli {

bool ParseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && !text.empty();
}

bool ParseBits(std::string_view text, ChannelBits& bits) {
    int values[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const std::size_t comma = text.find(',');
        if (!ParseInt(text.substr(0, comma), values[count])) return false;
        if (values[count] < 1 || values[count] > 8) return false;
        ++count;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (count == 3) return false;
    }
    if (count == 1) values[1] = values[2] = values[0];
    if (count == 2) return false;
    bits = {values[0], values[1], values[2]};
    return true;
}

bool ParseKeyColor(std::string_view text, Rgb& color) {
    int values[3] = {0, 0, 0};
    if (text.starts_with('#')) text.remove_prefix(1);
    if (text.size() == 6 && text.find(',') == std::string_view::npos) {
        for (int i = 0; i < 3; ++i) {
            const char* at = text.data() + 2 * i;
            auto [ptr, ec] = std::from_chars(at, at + 2, values[i], 16);
            if (ec != std::errc{} || ptr != at + 2) return false;
        }
    } else {
        for (int i = 0; i < 3; ++i) {
            const std::size_t comma = text.find(',');
            if ((comma == std::string_view::npos) != (i == 2)) return false;
            if (!ParseInt(text.substr(0, comma), values[i])) return false;
            if (values[i] < 0 || values[i] > 255) return false;
            text.remove_prefix(i == 2 ? text.size() : comma + 1);
        }
    }
    color = {static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
             static_cast<std::uint8_t>(values[2])};
    return true;
}

// Grouping stops at the first letter that is not a flag, which takes the rest as its value.
std::vector<std::string> SplitGroupedFlags(const std::vector<std::string>& args) {
    constexpr std::string_view kFlags = "fqh";
    std::vector<std::string> split;
    bool onlyFiles = false;
    for (const std::string& arg : args) {
        if (arg == "--") onlyFiles = true;
        if (onlyFiles || arg.size() < 3 || arg[0] != '-' || arg[1] == '-' ||
            kFlags.find(arg[1]) == std::string_view::npos) {
            split.push_back(arg);
            continue;
        }
        std::size_t k = 1;
        while (k + 1 < arg.size() && kFlags.find(arg[k]) != std::string_view::npos) {
            split.push_back(std::string("-") + arg[k]);
            ++k;
        }
        std::string rest = "-";
        rest.append(arg, k);
        split.push_back(std::move(rest));
    }
    return split;
}

}  // namespace tintwell::cli
