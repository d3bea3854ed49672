#include "platform/audio/wav_format.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/audio/wave_output.h"

namespace kel::audio {
namespace {

// Event sounds are short; anything longer is refused rather than held.
constexpr std::uint64_t kMaxOutputFrames = std::uint64_t{kSampleRate} * 600;
constexpr std::uint32_t kMaxRate = 768000;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
bool tagIs(std::span<const std::uint8_t> b, std::size_t at, std::string_view tag) {
    return std::memcmp(b.data() + at, tag.data(), 4) == 0;
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

struct PcmShape {
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

std::optional<PcmShape> readFormat(std::span<const std::uint8_t> chunk, std::string& error) {
    if (chunk.size() < 16) {
        error = "format chunk too short";
        return std::nullopt;
    }
    std::uint16_t tag = le16(chunk, 0);
    if (tag == kFormatExtensible && chunk.size() >= 26) {
        tag = le16(chunk, 24);  // the sub-format's first two bytes
    }
    PcmShape shape{le16(chunk, 2), le32(chunk, 4), le16(chunk, 12), le16(chunk, 14)};
    if (tag != kFormatPcm) {
        error = "not PCM (format " + std::to_string(tag) + ")";
    } else if (shape.bits != 8 && shape.bits != 16) {
        error = std::to_string(shape.bits) + "-bit samples are not supported";
    } else if (shape.channels == 0 || shape.rate == 0 || shape.rate > kMaxRate) {
        error = "bad channel count or sample rate";
    } else if (shape.blockAlign < shape.channels * shape.bits / 8) {
        error = "block alignment smaller than one frame";
    } else {
        return shape;
    }
    return std::nullopt;
}

std::int16_t sampleAt(std::span<const std::uint8_t> data, const PcmShape& shape,
                      std::uint64_t frame, unsigned channel) {
    const std::size_t at = frame * shape.blockAlign + channel * (shape.bits / 8);
    if (shape.bits == 8) {
        return static_cast<std::int16_t>((data[at] - 128) * 256);
    }
    return static_cast<std::int16_t>(le16(data, at));
}

}  // namespace

std::optional<DecodedWav> decodeWav(std::span<const std::uint8_t> bytes, std::string& error) {
    if (bytes.size() < 12 || !tagIs(bytes, 0, "RIFF") || !tagIs(bytes, 8, "WAVE")) {
        error = "not a RIFF WAVE file";
        return std::nullopt;
    }
    std::optional<PcmShape> shape;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    // The sizes inside are not trusted: every chunk is cut to the bytes there.
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint64_t declared = le32(bytes, at + 4);
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(declared, bytes.size() - at - 8));
        const std::span<const std::uint8_t> chunk = bytes.subspan(at + 8, size);
        if (tagIs(bytes, at, "fmt ")) {
            shape = readFormat(chunk, error);
            if (!shape) {
                return std::nullopt;
            }
        } else if (tagIs(bytes, at, "data") && !haveData) {
            data = chunk;
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!shape || !haveData) {
        error = shape ? "no data chunk" : "no format chunk";
        return std::nullopt;
    }
    const std::uint64_t frames = data.size() / shape->blockAlign;
    const std::uint64_t outFrames = frames * kSampleRate / shape->rate;
    if (outFrames > kMaxOutputFrames) {
        error = "longer than ten minutes";
        return std::nullopt;
    }
    DecodedWav decoded;
    decoded.samples.reserve(outFrames * kChannels);
    const unsigned right = shape->channels > 1 ? 1 : 0;
    for (std::uint64_t out = 0; out < outFrames; ++out) {
        // Linear interpolation between the two nearest input frames.
        const std::uint64_t position = out * shape->rate;
        const std::uint64_t frame = position / kSampleRate;
        const std::int64_t fraction = static_cast<std::int64_t>(position % kSampleRate);
        const std::uint64_t next = std::min(frame + 1, frames - 1);
        for (unsigned channel : {0u, right}) {
            const std::int64_t a = sampleAt(data, *shape, frame, channel);
            const std::int64_t b = sampleAt(data, *shape, next, channel);
            decoded.samples.push_back(
                static_cast<std::int16_t>(a + (b - a) * fraction / kSampleRate));
        }
    }
    return decoded;
}

std::vector<std::uint8_t> wavHeader(std::uint32_t dataBytes) {
    std::vector<std::uint8_t> header;
    header.reserve(44);
    auto tag = [&](std::string_view t) { header.insert(header.end(), t.begin(), t.end()); };
    tag("RIFF");
    put32(header, 36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(header, 16);
    put16(header, kFormatPcm);
    put16(header, kChannels);
    put32(header, kSampleRate);
    put32(header, kSampleRate * kBytesPerFrame);
    put16(header, kBytesPerFrame);
    put16(header, kBitsPerSample);
    tag("data");
    put32(header, dataBytes);
    return header;
}

}  // namespace kel::audio
