// What the medium classification of Open reads from the drive's replies.
// Each reply is taken only as far as the drive returned it; a descriptor
// that does not fit is not looked at.
#pragma once

#include <cstdint>
#include <span>

namespace kel::diag {

namespace medium_class {
inline constexpr std::uint8_t kAtipEmpty = 0x01;
inline constexpr std::uint8_t kNoDataTrack = 0x02;
inline constexpr std::uint8_t kRecordable = 0x10;  // recordable or open disc
inline constexpr std::uint8_t kRewritable = 0x20;
}  // namespace medium_class

// Each takes the class so far and returns the new one.
std::uint8_t classifyDiscInformation(std::uint8_t mediumClass, std::span<const std::uint8_t> reply);
std::uint8_t classifyAtip(std::uint8_t mediumClass, std::span<const std::uint8_t> reply);
std::uint8_t classifyToc(std::uint8_t mediumClass, std::span<const std::uint8_t> reply);
std::uint8_t classifyFullToc(std::uint8_t mediumClass, std::span<const std::uint8_t> reply);

// The length field of a TOC, ATIP or disc information reply (bytes 0-1),
// or 0 when the reply is shorter than it.
std::uint16_t replyLengthField(std::span<const std::uint8_t> reply);

}  // namespace kel::diag
