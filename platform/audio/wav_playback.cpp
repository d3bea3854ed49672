#include "platform/audio/wav_playback.h"

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/audio/wav_format.h"
#include "platform/audio/wave_output.h"
#include "platform/base/log.h"

namespace kel::audio {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
// Samples handed to the output at once: a tenth of a second, so that a new
// sound cuts the old one short quickly.
constexpr std::size_t kChunkSamples = kSampleRate / 10 * kChannels;

std::optional<DecodedWav> loadWav(const std::filesystem::path& file, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = ec.message();
        return std::nullopt;
    }
    if (size > kMaxFileBytes) {
        error = "file larger than 64 MiB";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "read error";
        return std::nullopt;
    }
    return decodeWav(bytes, error);
}

// Plays `sound` until its end or until `stop` is set.
void play(const DecodedWav& sound, const std::atomic<bool>* stop) {
    OpenedOutput opened = openWaveOutput();
    const std::span<const std::int16_t> all(sound.samples);
    for (std::size_t at = 0; at < all.size(); at += kChunkSamples) {
        if (stop != nullptr && *stop) {
            return;
        }
        if (!opened.output->write(all.subspan(at, std::min(kChunkSamples, all.size() - at)))) {
            log::warning("audio", "the wave output failed while playing");
            return;
        }
    }
    opened.output->drain();
}

// One sound at a time: a new one stops the one playing.
class EventSoundPlayer {
public:
    ~EventSoundPlayer() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void start(std::filesystem::path file) {
        std::lock_guard lock(mutex_);
        pending_ = std::move(file);
        stop_ = true;
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { run(); });
        }
        wake_.notify_all();
    }

    void waitIdle() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return !pending_ && !playing_; });
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_) {
                return;
            }
            const std::filesystem::path file = std::move(*pending_);
            pending_.reset();
            stop_ = false;
            playing_ = true;
            lock.unlock();
            std::string error;
            if (const std::optional<DecodedWav> sound = loadWav(file, error)) {
                play(*sound, &stop_);
            } else {
                log::warning("audio", file.string() + ": " + error);
            }
            lock.lock();
            playing_ = false;
            idle_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<std::filesystem::path> pending_;
    std::atomic<bool> stop_{false};
    bool playing_ = false;
    bool quit_ = false;
    std::thread thread_;
};

EventSoundPlayer& player() {
    static EventSoundPlayer shared;
    return shared;
}

}  // namespace

bool playWavFile(const std::filesystem::path& file, std::string& error) {
    const std::optional<DecodedWav> sound = loadWav(file, error);
    if (!sound) {
        return false;
    }
    play(*sound, nullptr);
    return true;
}

void playWavFileAsync(const std::filesystem::path& file) {
    player().start(file);
}

void waitForEventSound() {
    player().waitIdle();
}

}  // namespace kel::audio
