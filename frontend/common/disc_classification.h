// What the user is shown about a disc: its class, volume label, data size and
// track counts, worked out from the server's table of contents and sectors.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "frontend/common/drive_letters.h"
#include "frontend/common/drive_server_client.h"

namespace kel::frontend {

inline constexpr std::array<std::string_view, 9> DiscTypeNames{
    "Audio", "CD-ROM", "Enhanced", "Mixed Mode", "Photo", "Karaoke", "Video", "CD Extra", ""};

enum DiscClassIndex : std::int16_t {
    kClassAudio = 0,
    kClassCdRom = 1,
    kClassEnhanced = 2,
    kClassMixedMode = 3,
    kClassPhoto = 4,
    kClassKaraoke = 5,
    kClassVideo = 6,
    kClassCdExtra = 7,
    kClassNone = 8,
};

struct DiscClassification {
    std::int16_t DiscClass = kClassNone;
    std::string TypeText;
    // Kept as it was when the disc has no data track.
    std::string VolumeLabel;
    // Sum of the data tracks' lengths, in 2048-byte sectors.
    std::int32_t DataSize = 0;
    std::int32_t AudioTracks = 0;
    std::int32_t DataTracks = 0;
    // Where the audio player stops: the lead-out of an audio-only or mixed-mode
    // disc, the end of the next-to-last track of a CD Extra disc, else 0.
    std::int32_t AudioExtent = 0;
};

// Whether the disc in drive `letterIndex` (0 = A) has the folder.
using DirectoryProbe = std::function<bool(int letterIndex, DiscDirectory directory)>;

// Reads the table of contents of server device `device` (it becomes
// DriveNumber) and the volume descriptors of its data tracks; writes each data
// track's volume label into its track record. Returns the class 0-8, also
// left in `disc` with the other results. Without a probe the folders are
// looked for through the drive letters.
std::int16_t ClassifyDisc(DriveServerClient& client, int device, DiscClassification& disc,
                          const DirectoryProbe& probe = {});

}  // namespace kel::frontend
