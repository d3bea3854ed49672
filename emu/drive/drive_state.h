// What one emulated drive remembers between commands, shared by every
// process that opens it: the tray, the lock, the media-change sequence, audio
// play, and the current mode-page values. Kept as text in a file that those
// processes share (see state_file.h); parsing is lenient because the file is
// outside bytes too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kel::emu {

// A condition the drive reports once to the next command (other than
// INQUIRY and REQUEST SENSE) before it answers anything else.
enum class Attention : std::uint8_t {
    None,
    MediumChanged,  // 6/28/00
    Reset,          // 6/29/00
};

enum class PlayStatus : std::uint8_t {
    None,       // 0x15
    Playing,    // 0x11
    Paused,     // 0x12
    Completed,  // 0x13, reported once
    Error,      // 0x14, reported once
};

struct PlayState {
    PlayStatus status = PlayStatus::None;
    std::int32_t end = 0;          // exclusive
    std::int32_t position = 0;     // where play started (Playing) or the head is
    std::int64_t startedAtMs = 0;  // clock time at `position` while Playing

    bool operator==(const PlayState&) const = default;
};

struct DriveState {
    bool trayOpen = false;
    bool locked = false;
    int becomingReadyPolls = 0;  // NOT READY answers left before the medium settles
    Attention attention = Attention::None;
    std::string discIdentity;  // which image the tray holds; a new one is a disc change
    PlayState play;
    std::uint8_t density = 0;
    std::uint32_t blockLength = 2048;
    std::uint16_t readSpeedKbs = 0xFFFF;  // SET CD SPEED's value; 0xFFFF = the fastest
    // Current values of the changeable mode pages: page code -> the bytes
    // after the two-byte page header.
    std::map<std::uint8_t, std::vector<std::uint8_t>> pages;

    bool operator==(const DriveState&) const = default;
};

std::string serialiseState(const DriveState& state);

// Starts from `base` and overrides what `text` holds; a malformed line is
// skipped with a log line naming `origin` and the line number.
DriveState parseState(const std::string& text, const DriveState& base,
                      const std::filesystem::path& origin);

}  // namespace kel::emu
