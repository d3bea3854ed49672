#include <string>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"

namespace kel::diag {
namespace {

void AppendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

// The field's first byte is the compression id, so it holds fieldLength - 1
// bytes of characters; reading fieldLength characters would take in the
// byte after the field (a d-string's length byte, or the next identifier's
// tag) as a character.
std::string UdfStringToText(std::size_t fieldLength, std::span<const std::uint8_t> field) {
    std::string text;
    if (fieldLength == 0 || field.empty()) {
        return text;
    }
    const std::span<const std::uint8_t> characters =
        field.subspan(1, std::min(fieldLength, field.size()) - 1);
    switch (field[0]) {
        case 8:
            for (std::uint8_t byte : characters) {
                if (byte == 0) {
                    break;
                }
                AppendUtf8(text, byte);
            }
            break;
        case 16:
            for (std::size_t i = 0; i + 1 < characters.size(); i += 2) {
                const std::uint32_t code = characters[i] << 8 | characters[i + 1];
                if (code == 0) {
                    break;
                }
                AppendUtf8(text, code);
            }
            break;
        default:
            break;
    }
    return text;
}

std::array<std::uint8_t, 7> UdfTimestampToDate(std::span<const std::uint8_t> timestamp) {
    using udf::Le8;
    // Years since 1900 from the year's low byte: 1900 is 0x076C, whose low
    // byte is 108; the byte arithmetic wraps as the year passes 0x0800.
    return {static_cast<std::uint8_t>(Le8(timestamp, 2) - 108),
            Le8(timestamp, 4),
            Le8(timestamp, 5),
            Le8(timestamp, 6),
            Le8(timestamp, 7),
            Le8(timestamp, 8),
            0};
}

}  // namespace kel::diag
