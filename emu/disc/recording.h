// What a descriptor says about how a recordable disc was written, as read
// from its keys (each with the line it came from, for errors), and how it
// turns the image's plain track list into the disc a drive would see:
// sessions with their gaps, track write methods, the open track.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emu/disc/disc.h"

namespace kel::emu {

template <typename T>
struct Keyed {
    T value{};
    int line = 0;  // 0: not given
    bool given() const { return line != 0; }
};

struct TrackRecording {
    int number = 0;
    int line = 0;  // of its section header
    Keyed<WriteMethod> writeMethod;
    Keyed<std::int32_t> packetSize;
    bool damaged = false;
    bool copy = false;
    bool reserved = false;
};

struct SessionStart {
    int number = 0;
    int line = 0;  // of its section header
    Keyed<std::int32_t> start;
};

struct Recording {
    Keyed<Medium> medium{Medium::Pressed};
    Keyed<DiscStatus> status{DiscStatus::Complete};
    Keyed<SessionState> lastSession{SessionState::Complete};
    Keyed<std::int32_t> nextWritable;
    Keyed<WriteMethod> writeMethod{WriteMethod::Dao};
    Keyed<std::int32_t> packetSize{32};
    Keyed<std::filesystem::path> subchannel;
    int atipLine = 0;  // of the first [atip] header
    Atip atip;
    int lastLeadOutLine = 0;
    std::vector<TrackRecording> tracks;
    std::vector<SessionStart> sessions;
};

struct LayoutProblem {
    int line = 0;
    std::string text;
};

// Checks that the keys agree with each other (before any image is read).
std::optional<LayoutProblem> checkRecordingKeys(const Recording& recording);

// Applies `recording` to `disc`, loaded from the image (empty for a blank
// disc).
std::optional<LayoutProblem> applyRecording(const Recording& recording, Disc& disc);

// session_layout.cpp: splits the image's tracks at each session's start and
// makes the gaps between sessions.
std::optional<LayoutProblem> layOutSessions(const std::vector<SessionStart>& sessions, Disc& disc);

}  // namespace kel::emu
