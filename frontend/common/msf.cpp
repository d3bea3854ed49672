#include "msf.h"

namespace kel::frontend {

// The products are taken in 64 bits and wrapped back, so that out-of-range
// times from a reply give a wrong number rather than undefined behaviour.
std::int32_t MsfToFrames(std::int32_t minute, std::int32_t second, std::int32_t frame) {
    std::int64_t frames =
        std::int64_t{minute} * kFramesPerMinute + std::int64_t{second} * kFramesPerSecond + frame;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(frames));
}

std::int32_t MsfToLba(std::int32_t minute, std::int32_t second, std::int32_t frame) {
    std::int64_t lba = std::int64_t{MsfToFrames(minute, second, frame)} - kLbaOffsetFrames;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(lba));
}

void FramesToMsfParts(std::int32_t frames, std::int32_t& minute, std::int32_t& second,
                      std::int32_t& frame) {
    minute = frames / kFramesPerMinute;
    second = (frames - minute * kFramesPerMinute) / kFramesPerSecond;
    frame = frames - minute * kFramesPerMinute - second * kFramesPerSecond;
}

std::string ZeroPad(std::int32_t value, int width) {
    std::string text = std::to_string(value);
    if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    }
    return text;
}

}  // namespace kel::frontend
