#include "diag/tools/errscan/decimal_field.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace kel::diag {

bool ReadDecimalField(std::string_view text, std::size_t& at, std::int32_t& value) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
    }
    std::size_t digits = at;
    bool negative = false;
    if (digits < text.size() && (text[digits] == '-' || text[digits] == '+')) {
        negative = text[digits] == '-';
        ++digits;
    }
    if (digits >= text.size() || !std::isdigit(static_cast<unsigned char>(text[digits]))) {
        return false;
    }
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]));
         ++digits) {
        magnitude = std::min(kCap, magnitude * 10 + (text[digits] - '0'));
    }
    at = digits;
    value = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        negative ? -magnitude : magnitude, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
    return true;
}

}  // namespace kel::diag
