// The file through which every process that opens one emulated drive shares
// its state. The file is mapped into each of them: a lock, a generation
// number and the state's text. Each command runs as one transaction under the
// lock: take the state (parsed again only when another process changed it),
// change it, store the text back when it changed.
//
// A command costs no system call while the lock is free: with the text read
// and written through a file descriptor and the lock taken with flock, a
// drive's bookkeeping had cost more than its reading of the sectors.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "emu/drive/drive_state.h"

namespace kel::emu {

class StateFile {
public:
    // The state file of the drive whose medium is `source`: in the runtime
    // folder, named after the source's canonical path.
    static std::filesystem::path pathFor(const std::filesystem::path& source);

    // Opens (creating when missing) the file; nullopt with `error` set when
    // it cannot be opened. A file that holds a state as plain text (written
    // by hand) is taken over with that state.
    static std::optional<StateFile> open(const std::filesystem::path& file, std::string& error);

    StateFile(StateFile&& other) noexcept;
    StateFile& operator=(StateFile&&) = delete;
    ~StateFile();

    // Runs `change` on the state as the file holds it (`fresh` when it holds
    // none) and stores the result. Returns an error text when the state
    // cannot be locked or stored; `change` has then not run, or its result is
    // lost. With `lockWait`, a lock another process holds for longer ends
    // the wait: `timedOut` (when given) is then set.
    std::optional<std::string> transact(
        const DriveState& fresh, const std::function<void(DriveState&)>& change,
        std::optional<std::chrono::milliseconds> lockWait = std::nullopt, bool* timedOut = nullptr);

    // Reads the state without changing it.
    std::optional<DriveState> read(const DriveState& fresh, std::string& error);

private:
    struct Shared;
    class Lock;
    StateFile(Shared* shared, std::filesystem::path file)
        : shared_(shared), file_(std::move(file)) {}
    // Maps the file's shared state, setting it up first when the file does
    // not hold one yet. The caller holds the file's flock.
    static Shared* mapShared(int fd, const std::filesystem::path& file, std::string& error);
    // The state as the file holds it; parses only when the generation moved.
    const DriveState& current(const DriveState& fresh);

    Shared* shared_ = nullptr;
    std::filesystem::path file_;
    // The generation that `cachedState_` was parsed from (0: none yet).
    std::uint64_t cachedGeneration_ = 0;
    DriveState cachedState_;
};

}  // namespace kel::emu
