// The WAV file format: reading a PCM file of any common shape into the output
// format, and the header written in front of the output's own files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kel::audio {

struct DecodedWav {
    std::vector<std::int16_t> samples;  // 44100 Hz stereo, interleaved
};

// Accepts PCM with 8 or 16 bits, one or two channels (more: the first two),
// any rate from 1 to 768000 Hz, resampled to 44100 Hz. Anything else, or a
// damaged file, gives std::nullopt and the reason in `error`.
std::optional<DecodedWav> decodeWav(std::span<const std::uint8_t> bytes, std::string& error);

// The 44-byte header of a 44100 Hz 16-bit stereo file with `dataBytes` of
// samples.
std::vector<std::uint8_t> wavHeader(std::uint32_t dataBytes);

}  // namespace kel::audio
