#include "diag/tools/cdg/cdg_wave_out.h"

#include <vector>

namespace kel::diag {

CdgWaveOut::CdgWaveOut(std::unique_ptr<audio::WaveOutput> output, DoneCallback done)
    : output_(std::move(output)), callback_(std::move(done)) {
    thread_ = std::thread([this] { play(); });
}

CdgWaveOut::~CdgWaveOut() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    queued_.notify_all();
    thread_.join();
    output_->drain();
}

void CdgWaveOut::Write(int buffer, std::span<const std::uint8_t, kCdgAudioBytes> audio) {
    ++pending_[std::size_t(buffer)];
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({buffer, audio.data()});
    }
    queued_.notify_all();
}

void CdgWaveOut::play() {
    std::vector<std::int16_t> samples(kCdgAudioBytes / 2);
    for (;;) {
        Queued next;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (closing_) {
                return;
            }
            next = queue_.front();
            queue_.pop_front();
        }
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = std::int16_t(next.audio[2 * i] | (next.audio[2 * i + 1] << 8));
        }
        // A failed write loses the sound of one buffer, not the graphics:
        // the buffer is still done and decoded.
        output_->write(samples);
        // Told before marked done: whoever waits for the last header then
        // knows that its decoding was already asked for.
        callback_(next.buffer);
        --pending_[std::size_t(next.buffer)];
    }
}

}  // namespace kel::diag
