#include "diag/tools/exports/subchannel_q.h"

#include <algorithm>
#include <memory>

#include "diag/device/device_access.h"
#include "diag/tools/exports/reading_progress.h"
#include "diag/tools/exports/save_text_dialog.h"
#include "diag/tools/exports/text_file.h"
#include "diag/tools/format_text.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// One raw audio sector and the Q data that follows it, with room to spare
// for drives that deliver more.
constexpr std::int32_t kSectorBuffer = 2608;
constexpr std::size_t kAudioBytes = 2352;
constexpr std::size_t kQBytes = 16;
constexpr std::size_t kMaxLine = 64;

struct TrackedDeleter {
    void operator()(void* block) const { TrackedFree(block, __FILE__, __LINE__); }
};

// The track's sectors into `file`, one line each, until the end, a failed
// read, a failed write or Cancel.
void WriteQLines(CdDevice& device, const TrackInfo& track, std::span<std::uint8_t> buffer,
                 TextFile& file) {
    device.cancelled = 0;
    ReadingProgress progress(track.start, track.end);
    for (std::int32_t block = std::max(track.start, 0); block < track.end; ++block) {
        if (device.cancelled != 0) {
            break;
        }
        progress.Advance(block);
        const auto lba = static_cast<std::uint32_t>(block);
        if (!device.ScanRead(lba, buffer, 1, true) ||
            !file.Write(SubchannelQLine(lba, std::span<const std::uint8_t, kQBytes>(
                                                 buffer.data() + kAudioBytes, kQBytes)))) {
            break;
        }
    }
}

}  // namespace

std::string SubchannelQLine(std::uint32_t block, std::span<const std::uint8_t, 16> q) {
    const FormatArg number[] = {block};
    std::string line = FormatText("%6d: ", number, kMaxLine);
    for (std::uint8_t byte : q) {
        const FormatArg value[] = {byte};
        line += FormatText("%02x ", value, kMaxLine);
    }
    line += '\n';
    return line;
}

void SaveSubchannelQ(const TrackInfo& track) {
    if (IsDataTrack(track) || track.track == kLeadOutTrack) {
        ShowMessage(190, track.track);
        return;
    }
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        ShowMessage(102);
        return;
    }
    const std::unique_ptr<void, TrackedDeleter> block(
        TrackedAlloc(kSectorBuffer, __FILE__, __LINE__));
    if (block == nullptr) {
        return;
    }
    device->quiet = 1;
    const bool audio = device->SetCddaMode(true);
    device->quiet = 0;
    if (!audio) {
        ShowMessage(191);
        return;
    }
    const std::string name = AskSaveTextFileName(1004);
    std::unique_ptr<TextFile> file = name.empty() ? nullptr : TextFile::Create(name);
    if (file != nullptr) {
        WriteQLines(*device, track,
                    std::span<std::uint8_t>(static_cast<std::uint8_t*>(block.get()), kSectorBuffer),
                    *file);
        // A Cancel of the export is no cancel of the commands after it.
        device->cancelled = 0;
    }
    device->SetCddaMode(false);
    if (file != nullptr) {
        file->Close();
    }
}

}  // namespace kel::diag
