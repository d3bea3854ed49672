#include "platform/scsi/sense_conversion.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/base/log.h"

namespace kel::scsi {

namespace {
constexpr std::uint8_t kFixedCurrent = 0x70;
constexpr std::uint8_t kFixedDeferred = 0x71;
constexpr std::uint8_t kDescriptorCurrent = 0x72;
constexpr std::uint8_t kDescriptorDeferred = 0x73;
constexpr std::uint8_t kValidBit = 0x80;

constexpr std::size_t kDescriptorHeader = 8;
constexpr std::uint8_t kInformation = 0x00;
constexpr std::uint8_t kCommandSpecific = 0x01;
constexpr std::uint8_t kSenseKeySpecific = 0x02;

// Fixed format only has room for the low 32 bits of the information and
// command-specific fields; a wider value does not fit and leaves VALID clear.
bool fitsIn32Bits(std::span<const std::uint8_t> eightBytes) {
    return std::all_of(eightBytes.begin(), eightBytes.begin() + 4,
                       [](std::uint8_t b) { return b == 0; });
}

void copyDescriptor(Sense& sense, std::uint8_t type, std::span<const std::uint8_t> body) {
    // body starts after the descriptor's type and length bytes.
    switch (type) {
        case kInformation:
            if (body.size() >= 10 && fitsIn32Bits(body.subspan(2, 8))) {
                std::copy_n(body.begin() + 6, 4, sense.bytes.begin() + 3);
                if (body[0] & kValidBit) {
                    sense.bytes[0] |= kValidBit;
                }
            }
            break;
        case kCommandSpecific:
            if (body.size() >= 10 && fitsIn32Bits(body.subspan(2, 8))) {
                std::copy_n(body.begin() + 6, 4, sense.bytes.begin() + 8);
            }
            break;
        case kSenseKeySpecific:
            if (body.size() >= 5) {
                std::copy_n(body.begin() + 2, 3, sense.bytes.begin() + 15);
            }
            break;
        default:
            break;  // no place for it in fixed format
    }
}

Sense fromDescriptor(std::span<const std::uint8_t> raw) {
    Sense sense;
    sense.bytes[0] = (raw[0] & 0x7F) == kDescriptorCurrent ? kFixedCurrent : kFixedDeferred;
    sense.bytes[7] = Sense::kSize - 8;
    if (raw.size() < 4) {
        return sense;
    }
    sense.bytes[2] = raw[1] & 0x0F;
    sense.bytes[12] = raw[2];
    sense.bytes[13] = raw[3];
    if (raw.size() <= kDescriptorHeader) {
        return sense;
    }
    // The additional length is the drive's claim; the bytes we hold are the fact.
    const std::size_t end = std::min(raw.size(), kDescriptorHeader + raw[7]);
    std::size_t at = kDescriptorHeader;
    while (at + 2 <= end) {
        const std::size_t bodyLength = raw[at + 1];
        if (at + 2 + bodyLength > end) {
            log::warning("scsi", "descriptor sense: descriptor at byte " + std::to_string(at) +
                                     " runs past the sense data; ignored");
            break;
        }
        copyDescriptor(sense, raw[at], raw.subspan(at + 2, bodyLength));
        at += 2 + bodyLength;
    }
    return sense;
}
}  // namespace

Sense toFixedSense(std::span<const std::uint8_t> raw) {
    if (raw.empty()) {
        return Sense{};
    }
    const std::uint8_t code = raw[0] & 0x7F;
    if (code == kFixedCurrent || code == kFixedDeferred) {
        Sense sense;
        std::copy_n(raw.begin(), std::min(raw.size(), Sense::kSize), sense.bytes.begin());
        return sense;
    }
    if (code == kDescriptorCurrent || code == kDescriptorDeferred) {
        return fromDescriptor(raw);
    }
    char text[64];
    std::snprintf(text, sizeof text, "sense with unknown response code 0x%02X ignored", raw[0]);
    log::warning("scsi", text);
    return Sense{};
}

}  // namespace kel::scsi
