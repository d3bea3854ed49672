#include "diag/tools/sector/sector_display.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "diag/device/device_access.h"
#include "diag/disc/track_info.h"
#include "diag/state/options.h"
#include "diag/tools/sector/sector_display_dialog.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/message_context.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kVolumeDescriptorOffset = 16;
constexpr std::size_t kCookedBytes = 2048;
constexpr int kLargestFontPixels = 200;

enum class ReadMode { None, Cdda, Raw };

std::int32_t startSector(const TrackList& tracks) {
    const TrackInfo& first = *tracks.first;
    if ((first.flags & track_flags::kPacket) == 0) {
        return first.start + kVolumeDescriptorOffset;
    }
    const TrackInfo* second = first.next;
    if (second != nullptr && (second->flags & track_flags::kContinuation) != 0) {
        return second->start;
    }
    return first.start;
}

bool isAudio(const TrackInfo* track) {
    return track != nullptr && track->track != kLeadOutTrack && !IsDataTrack(*track);
}

bool switchMode(CdDevice& device, ReadMode mode, bool on) {
    return mode == ReadMode::Cdda ? device.SetCddaMode(on) : device.SetRawMode(on);
}

// Switches the drive to 2352-byte reads where its profile says it can, and
// checks with a sector that whole raw sectors really come back: a
// mode that delivers only 2048 bytes is switched off and struck from the
// profile, so that later openings do not try it.
ReadMode chooseReadMode(CdDevice& device, const TrackList& tracks, std::int32_t start,
                        std::span<std::uint8_t, kSectorBufferBytes> buffer) {
    if (!device.Raw() && !device.CDDAScan()) {
        return ReadMode::None;
    }
    device.quiet = 1;
    const TrackInfo* audio = isAudio(tracks.first)         ? tracks.first
                             : isAudio(tracks.first->next) ? tracks.first->next
                                                           : nullptr;
    ReadMode mode = device.CDDAScan() && audio != nullptr ? ReadMode::Cdda : ReadMode::Raw;
    // CD-DA mode is proven on audio: a data sector (the start sector of a
    // mixed-mode disc) read in it says nothing of the drive.
    const std::int32_t probe = mode == ReadMode::Cdda ? audio->start : start;
    if (!switchMode(device, mode, true)) {
        mode = ReadMode::None;
    } else {
        std::fill(buffer.begin() + kCookedBytes, buffer.end(), std::uint8_t{1});
        const bool read =
            probe >= 0 && device.ReadSectors(static_cast<std::uint32_t>(probe), buffer, 1);
        const bool onlyCooked =
            std::all_of(buffer.begin() + kCookedBytes, buffer.begin() + kCookedBytes + 4,
                        [](std::uint8_t b) { return b == 1; });
        if (!read || onlyCooked) {
            switchMode(device, mode, false);
            if (mode == ReadMode::Cdda) {
                device.SetCDDAScan(false);
            } else {
                device.SetRaw(false);
            }
            mode = ReadMode::None;
        }
    }
    device.quiet = 0;
    return mode;
}

struct FreeTracked {
    void operator()(std::uint8_t* block) const { TrackedFree(block, __FILE__, __LINE__); }
};

}  // namespace

QFont SectorDisplayFont() {
    QFont font(QString::fromStdString(Options().fixedFont));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    // The setting is a character height in pixels (negative) or a cell
    // height (positive); both stand for the pixel size here.
    const int size = std::min(std::abs(Options().fixedFontSize), kLargestFontPixels);
    if (size > 0) {
        font.setPixelSize(size);
    }
    return font;
}

int SectorLineHeight(const QFont& font) {
    return std::max(1, QFontMetrics(font).size(0, "ABCDEF").height() - 2);
}

void OpenSectorDisplay() {
    const TrackList& tracks = Tracks();
    if (tracks.first == nullptr) {
        ShowMessage(170);
        return;
    }
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return;
    }
    std::unique_ptr<std::uint8_t[], FreeTracked> block(
        static_cast<std::uint8_t*>(TrackedAlloc(kSectorBufferBytes, __FILE__, __LINE__)));
    if (!block) {
        return;
    }
    std::span<std::uint8_t, kSectorBufferBytes> buffer(block.get(), kSectorBufferBytes);
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    SectorDisplaySetup setup{startSector(tracks), buffer, SectorDisplayFont(), 1};
    const ReadMode mode = chooseReadMode(*device, tracks, setup.current, buffer);
    setup.lineHeight = SectorLineHeight(setup.font);
    setup.cddaReads = mode == ReadMode::Cdda;
    {
        SectorDisplayDialog dialog(CurrentMessageContext().owner, setup);
        dialog.exec();
    }
    if (mode != ReadMode::None) {
        switchMode(*device, mode, false);
    }
}

}  // namespace kel::diag
