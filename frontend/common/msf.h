// CD time: minutes, seconds and frames of 75 a second, and the text of a time
// part with leading zeros.
#pragma once

#include <cstdint>
#include <string>

namespace kel::frontend {

inline constexpr std::int32_t kFramesPerSecond = 75;
inline constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;
// Block address 0 lies two seconds into the disc's time scale.
inline constexpr std::int32_t kLbaOffsetFrames = 150;

std::int32_t MsfToFrames(std::int32_t minute, std::int32_t second, std::int32_t frame);
std::int32_t MsfToLba(std::int32_t minute, std::int32_t second, std::int32_t frame);

// Divisions truncate toward zero, so a negative count gives negative parts.
void FramesToMsfParts(std::int32_t frames, std::int32_t& minute, std::int32_t& second,
                      std::int32_t& frame);

// The decimal text of `value`, with "0" put in front until it is `width`
// characters long; for a negative value the zeros go before the minus sign.
std::string ZeroPad(std::int32_t value, int width);

}  // namespace kel::frontend
