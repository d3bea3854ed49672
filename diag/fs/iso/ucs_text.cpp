#include "diag/fs/iso/ucs_text.h"

namespace kel::diag {
namespace {

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

bool UcsToText(std::span<const std::uint8_t> ucs, std::size_t maxBytes, std::string& output) {
    output.clear();
    const std::size_t count = ucs.size() / 2;
    auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(ucs[2 * i] << 8 | ucs[2 * i + 1]);
    };
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = unit(i);
        // Writers put characters beyond the 16-bit range in as UTF-16 pairs.
        if (isHighSurrogate(c) && i + 1 < count && isLowSurrogate(unit(i + 1))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            c = U'?';
        }
        const std::size_t before = output.size();
        appendUtf8(c, output);
        if (output.size() > maxBytes) {
            output.resize(before);
            return false;
        }
    }
    return !output.empty();
}

}  // namespace kel::diag
