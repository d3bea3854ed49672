#include "lenient_integer.h"

#include <cstdint>
#include <limits>

#include "platform/base/hex_digit.h"

namespace kel::profile {
namespace {

// A digit's value, or 99 for a character that is no digit in any base.
int digitValue(char c) {
    const int value = HexDigitValue(c);
    return value < 0 ? 99 : value;
}

}  // namespace

std::optional<int> parseLenientInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        // "0x" with no hex digit after it still read the "0".
        if (i + 2 >= text.size() || digitValue(text[i + 2]) >= 16) {
            return 0;
        }
        base = 16;
        i += 2;
    }
    // One past the int range is enough to know the value saturates.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 2;
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    for (; i < text.size() && digitValue(text[i]) < base; ++i) {
        anyDigit = true;
        if (magnitude < kLimit) {
            magnitude = magnitude * base + digitValue(text[i]);
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

}  // namespace kel::profile
