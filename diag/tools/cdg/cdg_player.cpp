#include "diag/tools/cdg/cdg_player.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "diag/device/device_access.h"
#include "diag/disc/track_info.h"
#include "diag/state/options.h"
#include "diag/tools/cdg/cdg_decoder.h"
#include "diag/tools/cdg/cdg_player_window.h"
#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/cdg/cdg_report.h"
#include "diag/tools/cdg/cdg_threads.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"
#include "platform/audio/wave_output.h"

namespace kel::diag {
namespace {

constexpr int kRingBytes = kCdgRingBuffers * int(kCdgSectorBytes);  // 97920
// The wave errors that have a text of their own are the string table's
// entries from 500 on; from 599 on the entries are messages of their own.
constexpr int kWaveErrorTexts = 500;
constexpr int kLastWaveErrorText = 98;

struct FreeRing {
    void operator()(std::uint8_t* block) const { TrackedFree(block, __FILE__, __LINE__); }
};

struct CddaModeOff {
    void operator()(CdDevice* device) const { device->SetCddaMode(false); }
};

// Playback goes on without sound (at the pace of real playback) when no
// output device can be had; the user is told why.
std::unique_ptr<CdgWaveOut> OpenWaveOutput(CdgPlayback& playback) {
    audio::OpenedOutput opened = audio::openWaveOutput();
    if (opened.output->kind() == audio::OutputKind::Silence) {
        const int code = opened.silenceReason;
        std::string text = code > 0 && code <= kLastWaveErrorText
                               ? LoadResString(kWaveErrorTexts + code)
                               : std::string();
        if (text.empty()) {
            const FormatArg args[] = {code};
            text = FormatText("Error %d returned initializing audio output", args, 100);
        }
        ShowMessage(599, text);
    }
    return std::make_unique<CdgWaveOut>(std::move(opened.output), [&playback](int buffer) {
        playback.PostToWindow([buffer](CdgPlayerWindow& window) { window.DecodeBuffer(buffer); });
    });
}

bool CanPlay(const CdDevice& device, const TrackInfo& track) {
    if (!device.SubRWAvail() || !device.SubRWDe()) {
        ShowMessage(233, device.DeviceDescription());
        return false;
    }
    if (IsDataTrack(track) || track.track == kLeadOutTrack) {
        ShowMessage(190, int{track.track});
        return false;
    }
    return true;
}

}  // namespace

void PlayCdgTrack(const TrackInfo& track) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr || !CanPlay(*device, track)) {
        return;
    }
    std::unique_ptr<std::uint8_t, FreeRing> ring(
        static_cast<std::uint8_t*>(TrackedAlloc(kRingBytes, __FILE__, __LINE__)));
    if (!ring) {
        return;
    }
    std::string path;
    std::unique_ptr<CdgRecordFile> records = CdgRecordFile::Create(Options().tempPath, path);
    if (!records) {
        ShowMessage(238, path);
        return;
    }
    device->quiet = 1;
    const bool cdda = device->SetCddaMode(true);
    device->quiet = 0;
    if (!cdda) {
        ShowMessage(191);
        return;
    }
    std::unique_ptr<CdDevice, CddaModeOff> cddaOff(device);

    // A track shorter than the first read would have it run into the next.
    const int firstRead =
        int(std::clamp<std::int64_t>(std::int64_t{track.end} - track.start, 0, kCdgFirstRead));
    CdgPlayback playback(*device, track.start, track.end, ring.get(), firstRead);
    std::unique_ptr<CdgWaveOut> wave = OpenWaveOutput(playback);
    playback.wave = wave.get();
    if (firstRead == 0 ||
        !device->ReadWithSubcode(std::uint32_t(track.start),
                                 std::span(ring.get(), std::size_t(firstRead) * kCdgSectorBytes),
                                 std::uint32_t(firstRead))) {
        return;
    }
    for (int i = 0; i < firstRead; ++i) {
        SwapAudioSector(playback.buffer(i).first<kCdgAudioBytes>(), device->CDDALE());
    }

    CdgDecoder decoder([&records](std::uint32_t packet, int stringId, const CdgPack& pack) {
        records->AppendError(packet, stringId, pack);
    });
    std::thread reader;
    std::thread player;
    RunCdgWindow(playback, decoder, *records, [&] {
        reader = std::thread(CdgReaderThread, std::ref(playback));
        player = std::thread(CdgAudioThread, std::ref(playback));
    });
    player.join();
    // The reader too, before its ring goes away.
    reader.join();
    ReportCdgRecords(*records);
}

}  // namespace kel::diag
