#include <chrono>
#include <thread>

#include "platform/audio/outputs.h"

namespace kel::audio {
namespace {

// Whoever feeds the output paces itself by it (the CD+G player decodes as
// buffers finish), so silence takes the time the samples would.
class SilentOutput : public WaveOutput {
public:
    bool write(std::span<const std::int16_t> samples) override {
        const auto frames = static_cast<std::int64_t>(samples.size() / kChannels);
        std::this_thread::sleep_for(std::chrono::microseconds(frames * 1000000 / kSampleRate));
        return true;
    }
    void drain() override {}
    OutputKind kind() const override { return OutputKind::Silence; }
};

}  // namespace

std::unique_ptr<WaveOutput> makeSilentOutput() {
    return std::make_unique<SilentOutput>();
}

}  // namespace kel::audio
