#include "disc_classification.h"

#include <algorithm>
#include <limits>

#include "frontend/common/kel_cd_data.h"
#include "frontend/common/sector_access.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

// A table of contents reports this as its first track when the disc's first
// session holds no track the drive shows.
constexpr std::uint8_t kFirstTrack170 = 170;
// ISO 9660 primary volume descriptor: the volume identifier, a-characters.
constexpr std::size_t kVolumeIdOffset = 40;
constexpr std::size_t kVolumeIdLength = 32;

CdTrackRecord& trackRecord(int track) {
    return KelCdData.TrackTable[static_cast<std::size_t>(track - 1)];
}

std::string trimmed(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// The volume identifier of the track's sector 16; empty when the read gave no
// user data.
std::string volumeIdentifier(DriveServerClient& client, int track) {
    std::array<std::uint8_t, kUserDataSize> data{};
    ReadSectorViaServer(client, track, data);
    return trimmed(std::string_view(reinterpret_cast<const char*>(data.data()) + kVolumeIdOffset,
                                    kVolumeIdLength));
}

}  // namespace

std::int16_t ClassifyDisc(DriveServerClient& client, int device, DiscClassification& disc,
                          const DirectoryProbe& probe) {
    auto has = [&probe](int letter, DiscDirectory directory) {
        return probe ? probe(letter, directory) : HasDirectory(letter, directory);
    };
    std::int32_t savedTrack = KelCdData.SelectedTrack;
    KelCdData.TocFirstTrack = 0;
    KelCdData.TocLastTrack = 0;
    disc.AudioTracks = 0;
    disc.DataTracks = 0;
    std::int64_t dataSize = 0;
    int discClass = -1;

    KelCdData.DriveNumber = static_cast<std::int16_t>(device);
    client._Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);

    // Track numbers index the track table, so both ends are kept inside it.
    int last = std::min<int>(KelCdData.TocLastTrack, kMaxTocTracks);
    int first = KelCdData.TocFirstTrack;
    bool firstTrack170 = first == kFirstTrack170;
    if (firstTrack170 || first < 1) {
        first = 1;
    }

    if (last > 0 && last >= first) {
        for (int track = first; track <= last; ++track) {
            KelCdData.SelectedTrack = track;
            CdTrackRecord& record = trackRecord(track);
            if (!record.DataTrack) {
                ++disc.AudioTracks;
                continue;
            }
            ++disc.DataTracks;
            dataSize = std::max<std::int64_t>(dataSize + record.Length, 0);
            record.Label = volumeIdentifier(client, track);
        }
    }
    disc.DataSize = static_cast<std::int32_t>(
        std::min<std::int64_t>(dataSize, std::numeric_limits<std::int32_t>::max()));

    int letter = DriveLetterOfDevice(device);
    if (last >= 1) {
        bool firstIsData = trackRecord(first).DataTrack != 0;
        bool lastIsData = trackRecord(last).DataTrack != 0;
        if (!firstIsData && lastIsData) {
            discClass = kClassCdExtra;
            disc.AudioExtent = last >= 2 ? std::int32_t{trackRecord(last - 1).EndLba} : 0;
        }
        if (firstIsData && !lastIsData) {
            discClass = kClassMixedMode;
            disc.AudioExtent = KelCdData.TocLeadOut;
            if (has(letter, DiscDirectory::Cdi) && has(letter, DiscDirectory::PhotoCd)) {
                discClass = kClassPhoto;
                disc.AudioExtent = 0;
            }
        }
    }

    if (discClass == -1) {
        if (disc.DataTracks > 0 && disc.AudioTracks == 0) {
            discClass = kClassCdRom;
            disc.AudioExtent = 0;
        } else if (disc.DataTracks == 0 && disc.AudioTracks > 0) {
            discClass = firstTrack170 ? kClassEnhanced : kClassAudio;
            disc.AudioExtent = KelCdData.TocLeadOut;
        }
        if (last > 0 && has(letter, DiscDirectory::Cdi)) {
            // Later tests override earlier ones: vcd beats Karaoke, both beat photo_cd.
            if (has(letter, DiscDirectory::PhotoCd)) {
                discClass = kClassPhoto;
                disc.AudioExtent = 0;
            }
            if (has(letter, DiscDirectory::Mpegav)) {
                if (has(letter, DiscDirectory::Karaoke)) {
                    discClass = kClassKaraoke;
                    disc.AudioExtent = 0;
                }
                if (has(letter, DiscDirectory::Vcd)) {
                    discClass = kClassVideo;
                    disc.AudioExtent = 0;
                }
            }
        }
    }

    if (last >= first) {
        for (int track = first; track <= last; ++track) {
            if (!trackRecord(track).DataTrack) {
                continue;
            }
            std::string label = volumeIdentifier(client, track);
            if (KelCdData.ReplyError) {
                disc.VolumeLabel = " ";
                continue;
            }
            disc.VolumeLabel = label;
            break;
        }
    }

    if (discClass == kClassAudio) {
        disc.VolumeLabel = "Audio CD";
        std::int32_t selected = KelCdData.SelectedTrack;
        if (selected >= 1 && selected <= static_cast<std::int32_t>(kMaxTocTracks)) {
            trackRecord(selected).Label = "Audio";
        }
    }
    if (discClass < 0) {
        // Nothing to play on a disc that is not classified, and the previous
        // disc's extent must not stand in for it.
        discClass = kClassNone;
        disc.AudioExtent = 0;
    }
    disc.TypeText = last < 1 ? "No disc in drive"
                             : std::string(DiscTypeNames[static_cast<std::size_t>(discClass)]);
    disc.DiscClass = static_cast<std::int16_t>(discClass);

    if (savedTrack > 0) {
        KelCdData.SelectedTrack = savedTrack;
    }
    return disc.DiscClass;
}

}  // namespace kel::frontend
