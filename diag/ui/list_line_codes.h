// Codes at the start of a list line: the rest of the line is bold, or the
// line is a horizontal rule. The bold code is the character the string
// table's "\b" escape gives.
#pragma once

#include <string_view>

namespace kel::diag {

inline constexpr char kBoldCode = '\b';
inline constexpr std::string_view kRuleText = "\\l";

inline bool IsRuleLine(std::string_view text) {
    return text.starts_with(kRuleText);
}
inline bool IsBoldLine(std::string_view text) {
    return !text.empty() && text.front() == kBoldCode;
}

}  // namespace kel::diag
