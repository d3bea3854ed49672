#include "diag/device/medium_class.h"

#include <algorithm>

namespace kel::diag {

namespace {

constexpr std::uint8_t kLeadOut = 0xAA;

// The reply's descriptors from offset 4: as many as the length field says
// and as many as really came back, whichever is fewer.
std::size_t descriptorCount(std::span<const std::uint8_t> reply, std::size_t size) {
    if (reply.size() < 4) {
        return 0;
    }
    std::size_t stated = (replyLengthField(reply) + std::size_t{2} - 4) / size;
    if (replyLengthField(reply) < 2) {
        stated = 0;
    }
    return std::min(stated, (reply.size() - 4) / size);
}

}  // namespace

std::uint16_t replyLengthField(std::span<const std::uint8_t> reply) {
    return reply.size() < 2 ? 0 : static_cast<std::uint16_t>(reply[0] << 8 | reply[1]);
}

std::uint8_t classifyDiscInformation(std::uint8_t mediumClass,
                                     std::span<const std::uint8_t> reply) {
    if (reply.size() < 3 || replyLengthField(reply) >= 256) {
        return mediumClass;
    }
    if (reply[2] & 0x10) {  // erasable
        return mediumClass | medium_class::kRewritable;
    }
    if ((reply[2] & 0x03) != 2) {  // disc status other than complete
        return mediumClass | medium_class::kRecordable;
    }
    return mediumClass;
}

std::uint8_t classifyAtip(std::uint8_t mediumClass, std::span<const std::uint8_t> reply) {
    if (replyLengthField(reply) == 2) {
        return medium_class::kAtipEmpty;
    }
    if (reply.size() < 7 || replyLengthField(reply) < 5) {
        return mediumClass;
    }
    return mediumClass |
           ((reply[6] & 0x40) ? medium_class::kRewritable : medium_class::kRecordable);
}

std::uint8_t classifyToc(std::uint8_t mediumClass, std::span<const std::uint8_t> reply) {
    std::size_t count = descriptorCount(reply, 8);
    if (count == 0) {
        return mediumClass;
    }
    auto descriptor = [&](std::size_t i) { return reply.subspan(4 + i * 8, 8); };
    if (descriptor(count - 1)[2] != kLeadOut) {
        mediumClass = medium_class::kRecordable;
    }
    bool dataTrack = false;
    for (std::size_t i = 0; i < count; ++i) {
        dataTrack |= (descriptor(i)[1] & 0x04) && descriptor(i)[2] != kLeadOut;
    }
    return dataTrack ? mediumClass : mediumClass | medium_class::kNoDataTrack;
}

std::uint8_t classifyFullToc(std::uint8_t mediumClass, std::span<const std::uint8_t> reply) {
    std::size_t count = descriptorCount(reply, 11);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t point = reply[4 + i * 11 + 3];
        if (point == 0xB0 || point == 0xC0) {
            mediumClass |= medium_class::kRecordable;
        }
    }
    return mediumClass;
}

}  // namespace kel::diag
