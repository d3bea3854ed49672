// Building the track list from the drive in the drive object CurrentDevice:
// the TOC, disc information and track information (standard or the older
// vendor form), the records the TOC does not show, and releasing the list.
// The disc scan calls these on its thread in a fixed order; every drive
// failure ends in a debug-log line and a false result, never a message, so
// that the scan can choose its fallback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "diag/device/wait_clock.h"
#include "diag/disc/track_info.h"

namespace kel::diag {

// The caller's reply buffer; track and disc information use its first 256
// bytes.
inline constexpr std::size_t kReplyBufferBytes = 2048;
using ReplyBuffer = std::span<std::uint8_t, kReplyBufferBytes>;

// The end given to a track whose end cannot be found.
inline constexpr std::int32_t kDefaultEnd = 340000;
// Lead-out, lead-in and pregap between two sessions, taken off a track's
// end before a track of another session or a data track after audio.
inline constexpr std::int32_t kSessionGap = 11400;
// MSF FF:FF:FF as frames: the full TOC's "no next program area".
inline constexpr std::int32_t kClosedDiscMarker = 1166880;

// Frames of an MSF time, without the 150-frame offset of block 0.
std::int32_t MsfToFrames(std::uint8_t minute, std::uint8_t second, std::uint8_t frame);

// True when a list (or the blank-disc record) was made from the TOC.
bool ReadTocTracks(ReplyBuffer buffer);
// For a disc whose TOC cannot be read; true when records were made.
bool ReadDiscInfoTracks(ReplyBuffer buffer);
// How refining with the standard track information ended: true when the
// list was refined. When not, `tryOlderForm` tells a drive that does not
// know the standard form (or answered in another layout) from one that
// failed a read of it: only the first may be asked in the older form.
struct MmcCompletion {
    bool completed = false;
    bool tryOlderForm = false;
    explicit operator bool() const { return completed; }
};

// Refine a TOC-built list with the standard track information (tried
// first) or the older vendor form. The older form's own failure records
// the drive as having no track information only when the drive refused
// the command as unknown.
MmcCompletion CompleteTracksMmc(ReplyBuffer buffer);
bool CompleteTracksOld(ReplyBuffer buffer);

// Replaces the list with the one record of a blank disc and its node.
void MakeBlankDisc(std::int32_t freeBlocks);

// Clears the panes and frees every record with its file tree and extents.
void ReleaseDiscInfo();

// One debug-log line per record, in debug mode.
void LogTrackList();

// The lead-out rule: the disc is open when the lead-out's end is neither 0
// nor the closed-disc marker.
inline bool DiscIsOpen(const TrackInfo& leadOut) {
    return leadOut.end != 0 && leadOut.end != kClosedDiscMarker;
}

// What the main window does when the list goes: deletes the tree pane's
// items, clears the list pane (keeping its column widths) and greys the
// commands that need a selected track. None before the window exists.
void SetTrackListReleaseHook(std::function<void()> hook);

// The waits while an older drive recovers from a failed track-information
// command; tests replace the system's sleeps.
void SetTrackInfoWaitClock(std::shared_ptr<WaitClock> clock);

}  // namespace kel::diag
