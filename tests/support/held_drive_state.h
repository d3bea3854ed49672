// An emulated drive's shared state held as another process busy with the
// drive holds it: from a thread of the test, until released. The holder
// lets go by itself after `longest`, so that a test whose drive never gives
// up on the lock still ends (and fails).
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "emu/drive/state_file.h"

namespace kel::test {

class HeldDriveState {
public:
    // The drive of `source` must have been opened once, so that its state
    // file holds a state that holding leaves unchanged.
    explicit HeldDriveState(const std::filesystem::path& source,
                            std::chrono::milliseconds longest = std::chrono::seconds(20)) {
        std::string error;
        std::optional<emu::StateFile> file =
            emu::StateFile::open(emu::StateFile::pathFor(source), error);
        if (!file) {
            error_ = error;
            return;
        }
        holder_ = std::thread([this, longest, file = std::move(*file)]() mutable {
            file.transact(emu::DriveState{}, [&](emu::DriveState&) {
                std::unique_lock lock(mutex_);
                held_ = true;
                changed_.notify_all();
                changed_.wait_for(lock, longest, [this] { return released_; });
            });
        });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    ~HeldDriveState() { release(); }
    HeldDriveState(const HeldDriveState&) = delete;
    HeldDriveState& operator=(const HeldDriveState&) = delete;

    // Empty when the state is held.
    const std::string& error() const { return error_; }

    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        if (holder_.joinable()) {
            holder_.join();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
    std::string error_;
    std::thread holder_;
};

}  // namespace kel::test
