// Track lists and file trees built by hand, as the TOC and the readers would
// have left them, for tests of what works on them.
#pragma once

#include <cstdint>
#include <string>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag::testing {

constexpr std::uint8_t kData = 0x14;
constexpr std::uint8_t kAudio = 0x10;

// For fixtures to inherit; the records are freed with FreeTrackRecords.
class HandBuiltTracks {
protected:
    // A record linked at the end of the list.
    static TrackInfo* add(std::uint8_t track, std::uint8_t control, std::int32_t start,
                          std::int32_t end = 0, std::uint8_t session = 1);
    // A node linked last below `parent`, or the track's root when `parent` is
    // null.
    static FileNode* node(TrackInfo& track, FileNode* parent, const std::string& name,
                          std::int32_t startBlock, std::uint32_t size, bool directory = false);
};

}  // namespace kel::diag::testing
