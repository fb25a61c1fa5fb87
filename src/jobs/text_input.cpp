#include "jobs/text_input.h"

namespace tintwell {

std::string TrimLeadingSpace(std::string_view text) {
    constexpr std::string_view kIdeographicSpace = "\u3000";
    std::size_t start = 0;
    for (;;) {
        if (start < text.size() &&
            (text[start] == ' ' || (text[start] >= '\t' && text[start] <= '\r'))) {
            ++start;
        } else if (text.substr(start, kIdeographicSpace.size()) == kIdeographicSpace) {
            start += kIdeographicSpace.size();
        } else {
            break;
        }
    }
    return std::string(text.substr(start));
}

}  // namespace tintwell
