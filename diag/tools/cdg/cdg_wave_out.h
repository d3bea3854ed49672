// The wave output as the CD+G player drives it: buffers are written in ring
// order and played by a thread of the output's own; when a buffer's samples
// have gone to the output its header is marked done and the completion
// callback is told, on that thread.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "platform/audio/wave_output.h"

namespace kel::diag {

inline constexpr int kCdgRingBuffers = 40;
inline constexpr std::size_t kCdgAudioBytes = 2352;

class CdgWaveOut {
public:
    using DoneCallback = std::function<void(int buffer)>;

    // Every header starts done.
    CdgWaveOut(std::unique_ptr<audio::WaveOutput> output, DoneCallback done);
    // Buffers not yet played are dropped.
    ~CdgWaveOut();
    CdgWaveOut(const CdgWaveOut&) = delete;
    CdgWaveOut& operator=(const CdgWaveOut&) = delete;

    // Queues `audio` (16-bit little-endian stereo samples) as `buffer`,
    // whose header stays not done until it has been played. The bytes must
    // stay untouched until then.
    void Write(int buffer, std::span<const std::uint8_t, kCdgAudioBytes> audio);
    bool Done(int buffer) const { return pending_[std::size_t(buffer)].load() == 0; }

private:
    struct Queued {
        int buffer = 0;
        const std::uint8_t* audio = nullptr;
    };
    void play();

    std::unique_ptr<audio::WaveOutput> output_;
    DoneCallback callback_;
    // Writes of each buffer not yet played. A count, not a flag: a buffer
    // written again while its earlier round is still being finished must
    // not be taken for done by that round's end.
    std::array<std::atomic<int>, kCdgRingBuffers> pending_{};
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Queued> queue_;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace kel::diag
