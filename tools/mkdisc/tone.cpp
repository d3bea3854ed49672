#include "tools/mkdisc/tone.h"

#include <cmath>
#include <numbers>

namespace kel::mkdisc {

void synthesiseFrame(const Tone& tone, std::int64_t frameIndex, std::span<std::uint8_t, 2352> out) {
    constexpr double kRate = 44100.0;
    const double amplitude = tone.level * 32767.0;
    const std::int64_t first = frameIndex * static_cast<std::int64_t>(kSamplesPerFrame);
    for (std::size_t i = 0; i < kSamplesPerFrame; ++i) {
        // The phase is reduced per sample from an integer index, so a long
        // track does not drift or lose precision.
        const double cycles =
            tone.frequency * static_cast<double>(first + static_cast<std::int64_t>(i)) / kRate;
        const double phase = 2.0 * std::numbers::pi * (cycles - std::floor(cycles));
        const auto sample = static_cast<std::int16_t>(std::lround(amplitude * std::sin(phase)));
        const auto bits = static_cast<std::uint16_t>(sample);
        for (std::size_t channel = 0; channel < 2; ++channel) {
            out[i * 4 + channel * 2] = static_cast<std::uint8_t>(bits & 0xFF);
            out[i * 4 + channel * 2 + 1] = static_cast<std::uint8_t>(bits >> 8);
        }
    }
}

}  // namespace kel::mkdisc
