#include "diag/disc/scan/scan_disc.h"

#include <exception>
#include <memory>
#include <string>

#include "diag/device/device_access.h"
#include "diag/disc/disc_debug.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/fs/readers.h"
#include "diag/state/program_flags.h"
#include "diag/state/volume_label.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/guides.h"
#include "diag/ui/messages.h"
#include "diag/ui/progress_dialog.h"
#include "diag/ui/sound_events.h"
#include "platform/base/log.h"

namespace kel::diag {
namespace {

struct TrackedDeleter {
    void operator()(std::uint8_t* block) const { TrackedFree(block, __FILE__, __LINE__); }
};
using TrackedBlock = std::unique_ptr<std::uint8_t, TrackedDeleter>;

bool mediumLost(CdDevice& device) {
    return device.cancelled != 0 && !device.TestUnitReady();
}

// Steps up to the status line; true when they ran to the end. A false
// return ends the scan early: what was read so far stays, and the list
// shown is not one this scan read.
bool readDisc(CdDevice& device) {
    SetCurrentVolumeLabel({});
    AllowHfsDamageReport();
    device.cancelled = 0;
    if (!device.TestUnitReady()) {
        ShowMessage(107, device.DeviceDescription());
        return false;
    }
    CreateProgressDialog();
    ReleaseDiscInfo();
    if (InDebugMode()) {
        WriteLogHeader(CurrentScanHooks().programVersion);
    }
    TrackedBlock buffer(
        static_cast<std::uint8_t*>(TrackedAlloc(kReplyBufferBytes, __FILE__, __LINE__)));
    if (!buffer) {
        return false;
    }
    AdvanceProgress();
    const bool built = BuildTrackList(ReplyBuffer(buffer.get(), kReplyBufferBytes));
    buffer.reset();
    if (!built) {
        return false;
    }
    MarkPacketTracks();
    AdvanceProgress();
    if (Tracks().first != nullptr) {
        AddImplicitTrack();
        AdvanceProgress();
        ScanTracks();
        RemoveUdfDuplicates();
    }
    AdvanceProgress();
    // A close, or a medium gone from the drive while it was read, cut the
    // reading short: what was read is no picture of the disc. A stop the
    // user asked for with the disc still in the drive keeps what was read.
    if (CloseRequested() || mediumLost(device)) {
        ReleaseDiscInfo();
    }
    if (Tracks().first == nullptr) {
        ShowProgramTitle();
    } else {
        ShowScanResult();
    }
    return true;
}

// The records may be what the fault damaged: they are let go, not freed.
void abandonTrackList(const std::string& what) {
    Tracks().first = nullptr;
    Tracks().last = nullptr;
    const ScanHooks& hooks = CurrentScanHooks();
    if (hooks.reportFault) {
        hooks.reportFault(what);
    } else {
        log::warning("MORVALE", "disc scan stopped by a fault: " + what);
    }
}

bool anyTrackHasRoot() {
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        if (r->root != nullptr) {
            return true;
        }
    }
    return false;
}

void finishScan(const CdDevice* device, bool read) {
    if (ProgressDialogExists()) {
        CloseProgressDialog();
    }
    if (InDebugMode()) {
        DebugLog("Final TOC information...");
        LogTrackList();
    }
    const bool cancelled = device != nullptr && device->cancelled != 0;
    if (read && !cancelled && anyTrackHasRoot()) {
        ShowGuide(254, kGuideAfterScan);
    }
    EndOperation();
    PlayEventSound("ScanComplete");
}

}  // namespace

void ScanDisc() {
    PrepareFaultStack();
    CdDevice* device = CurrentDevice();
    // In debug mode a fault goes on to the system, where a debugger can take
    // it; otherwise it is reported and the scan ends as after any failure.
    bool read = false;
    try {
        if (device != nullptr) {
            read = readDisc(*device);
        }
    } catch (const std::exception& fault) {
        if (InDebugMode()) {
            throw;
        }
        abandonTrackList(fault.what());
    } catch (...) {
        if (InDebugMode()) {
            throw;
        }
        abandonTrackList("unknown exception");
    }
    finishScan(device, read);
}

}  // namespace kel::diag
