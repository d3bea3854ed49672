#include "diag/tools/cdg/cdg_threads.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "diag/device/cd_device.h"
#include "diag/tools/cdg/cdg_player_window.h"
#include "diag/tools/report/fault_handler.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kProgressEvery = 200;
constexpr auto kDrainPoll = std::chrono::milliseconds(50);

int nextIndex(int index) {
    return (index + 1) % kCdgRingBuffers;
}

void QueueAudioBuffer(CdgPlayback& playback, int index) {
    if (playback.wave != nullptr) {
        playback.wave->Write(index, playback.buffer(index).first<kCdgAudioBytes>());
    }
}

void ShowCdgProgress(CdgPlayback& playback, std::int32_t block) {
    const std::int32_t done = block - playback.start;
    const std::int32_t total = playback.end - playback.start;
    playback.PostToWindow(
        [done, total](CdgPlayerWindow& window) { window.ShowCdgProgress(done, total); });
}

}  // namespace

void SwapAudioSector(std::span<std::uint8_t, kCdgAudioBytes> audio, bool littleEndian) {
    if (littleEndian) {
        return;
    }
    for (std::size_t i = 0; i + 1 < audio.size(); i += 2) {
        std::swap(audio[i], audio[i + 1]);
    }
}

void CdgReaderThread(CdgPlayback& playback) {
    PrepareFaultStack();
    int index = kCdgFirstRead % kCdgRingBuffers;
    // A close of the main window is held until playback ends: only the
    // stop button (or the window going) cuts it short.
    const auto stopping = [&] { return playback.stop.load(); };
    for (std::int32_t block = playback.start + kCdgFirstRead; block < playback.end && !stopping();
         ++block) {
        playback.freeBuffers.Acquire();
        // The wake-up that ends playback comes as a free buffer.
        if (stopping()) {
            break;
        }
        const auto buffer = playback.buffer(index);
        if (!playback.device.ReadWithSubcode(std::uint32_t(block), buffer, 1)) {
            break;
        }
        SwapAudioSector(buffer.first<kCdgAudioBytes>(), playback.device.CDDALE());
        ++playback.sectorsRead;
        playback.filledBuffers.Release();
        index = nextIndex(index);
    }
    // One more filled buffer than sectors read: the player thread wakes to
    // find everything queued and ends.
    playback.filledBuffers.Release();
}

// Stops only when every sector the reader delivered has been queued (or on
// a stop request), so the end of the track is played and decoded too.
void CdgAudioThread(CdgPlayback& playback) {
    PrepareFaultStack();
    std::int32_t block = playback.start;
    int index = 0;
    int lastQueued = -1;
    while (!playback.stop) {
        playback.filledBuffers.Acquire();
        if (block - playback.start >= playback.sectorsRead) {
            break;
        }
        if (block % kProgressEvery == 0) {
            ShowCdgProgress(playback, block);
        }
        while (playback.paused && !playback.stop) {
            playback.pause.Acquire();
        }
        QueueAudioBuffer(playback, index);
        lastQueued = index;
        index = nextIndex(index);
        ++block;
    }
    if (playback.wave != nullptr && lastQueued >= 0) {
        while (!playback.wave->Done(lastQueued)) {
            std::this_thread::sleep_for(kDrainPoll);
        }
    }
    playback.PostToWindow([](CdgPlayerWindow& window) { window.CloseWindow(); });
}

}  // namespace kel::diag
