// The file through which every process that opens one emulated drive shares
// its state. Each command runs as one transaction under an exclusive flock:
// read the state, change it, write it back when it changed.
#pragma once

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
    // it cannot be opened.
    static std::optional<StateFile> open(const std::filesystem::path& file, std::string& error);

    StateFile(StateFile&& other) noexcept;
    StateFile& operator=(StateFile&&) = delete;
    ~StateFile();

    // Runs `change` on the state as the file holds it (`fresh` when the file
    // is empty) and stores the result. Returns an error text when the file
    // cannot be locked, read or written; `change` has then not run.
    std::optional<std::string> transact(const DriveState& fresh,
                                        const std::function<void(DriveState&)>& change);

    // Reads the state under a shared lock without changing it.
    std::optional<DriveState> read(const DriveState& fresh, std::string& error);

private:
    StateFile(int fd, std::filesystem::path file) : fd_(fd), file_(std::move(file)) {}
    std::optional<std::string> readAll(std::string& text);
    // `fresh` for an empty text, otherwise the cached state that `text`
    // parses to.
    const DriveState& parse(const std::string& text, const DriveState& fresh);

    int fd_ = -1;
    std::filesystem::path file_;
    // The text last read or written and what it parsed to: most commands
    // change nothing, and reading it again costs no parse.
    std::string cachedText_;
    DriveState cachedState_;
};

}  // namespace kel::emu
