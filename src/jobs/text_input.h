#pragma once

#include <string>
#include <string_view>

namespace tintwell {

// The text without its leading white space: ASCII blanks and control white space, and the
// ideographic space U+3000 that Japanese input methods type.
[[nodiscard]] std::string TrimLeadingSpace(std::string_view text);

// True when the text is empty or only white space as TrimLeadingSpace sees it.
[[nodiscard]] inline bool IsBlank(std::string_view text) {
    return TrimLeadingSpace(text).empty();
}

}  // namespace tintwell
