// What the CD+G player's threads share while one track plays: the ring of
// sectors read with their subcode, the semaphores that pass its buffers
// from the reader to the player thread, on to the wave output and the
// decoding window and back, the stop and pause requests, and the way to the
// player window.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "diag/tools/cdg/cdg_semaphore.h"
#include "diag/tools/cdg/cdg_wave_out.h"

namespace kel::diag {

class CdDevice;
class CdgPlayerWindow;

inline constexpr std::size_t kCdgSectorBytes = 2448;  // audio, then 96 subcode bytes
inline constexpr int kCdgFirstRead = 10;              // sectors read before the threads start
inline constexpr int kCdgWindowBuffers = 30;          // freed when the window is ready

struct CdgPlayback {
    CdgPlayback(CdDevice& drive, std::int32_t first, std::int32_t trackEnd, std::uint8_t* block,
                int firstRead)
        : device(drive),
          start(first),
          end(trackEnd),
          ring(block),
          // One above the ring: the reader's closing wake-up must fit beside
          // a ring the player has not yet taken anything from.
          filledBuffers(firstRead, kCdgRingBuffers + 1),
          sectorsRead(firstRead) {}

    std::span<std::uint8_t, kCdgSectorBytes> buffer(int index) const {
        return std::span<std::uint8_t, kCdgSectorBytes>(ring + std::size_t(index) * kCdgSectorBytes,
                                                        kCdgSectorBytes);
    }

    // Queues `call` for the player window on its thread; dropped when there
    // is no window (any more). Any thread.
    void PostToWindow(std::function<void(CdgPlayerWindow&)> call);
    // The window tells when it exists and when it goes away (main thread).
    void AttachWindow(CdgPlayerWindow* shown);
    void DetachWindow();

    // Lets a paused player thread go on.
    void Resume();

    CdDevice& device;
    const std::int32_t start;
    const std::int32_t end;
    std::uint8_t* const ring;  // kCdgRingBuffers sectors
    CdgWaveOut* wave = nullptr;

    std::atomic<bool> stop{false};
    std::atomic<bool> paused{false};
    CdgSemaphore freeBuffers{0, kCdgRingBuffers};
    CdgSemaphore filledBuffers;
    CdgSemaphore pause{0, 1};
    // Sectors the reader has put into the ring so far.
    std::atomic<std::int32_t> sectorsRead;

private:
    std::mutex windowLock_;
    CdgPlayerWindow* window_ = nullptr;
};

}  // namespace kel::diag
