#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/audio/outputs.h"
#include "platform/audio/wav_format.h"
#include "platform/base/log.h"

namespace kel::audio {
namespace {

// A WAV file holds at most 4 GiB of samples; what comes after is dropped.
constexpr std::uint32_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max() - 36;

class WavFileOutput : public WaveOutput {
public:
    explicit WavFileOutput(std::FILE* file) : file_(file) {}

    ~WavFileOutput() override {
        if (std::fseek(file_, 0, SEEK_SET) == 0) {
            const std::vector<std::uint8_t> header = wavHeader(dataBytes_);
            std::fwrite(header.data(), 1, header.size(), file_);
        }
        if (std::fclose(file_) != 0) {
            log::warning("audio", "the WAV output file could not be completed");
        }
    }

    bool write(std::span<const std::int16_t> samples) override {
        const std::size_t frames = samples.size() / kChannels;
        std::vector<std::uint8_t> bytes(frames * kBytesPerFrame);
        for (std::size_t i = 0; i < frames * kChannels; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(samples[i]);
            bytes[2 * i + 1] =
                static_cast<std::uint8_t>(static_cast<std::uint16_t>(samples[i]) >> 8);
        }
        if (bytes.size() > kMaxDataBytes - dataBytes_) {
            return false;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            return false;
        }
        dataBytes_ += static_cast<std::uint32_t>(bytes.size());
        return true;
    }

    void drain() override { std::fflush(file_); }
    OutputKind kind() const override { return OutputKind::File; }

private:
    std::FILE* file_;
    std::uint32_t dataBytes_ = 0;
};

}  // namespace

std::unique_ptr<WaveOutput> openWavFileOutput(const std::filesystem::path& file,
                                              std::string& text) {
    std::FILE* handle = std::fopen(file.c_str(), "wb");
    if (handle == nullptr) {
        text = std::strerror(errno);
        return nullptr;
    }
    // Room for the header, written with the final sizes at the end.
    const std::vector<std::uint8_t> header = wavHeader(0);
    if (std::fwrite(header.data(), 1, header.size(), handle) != header.size()) {
        text = std::strerror(errno);
        std::fclose(handle);
        return nullptr;
    }
    return std::make_unique<WavFileOutput>(handle);
}

}  // namespace kel::audio
