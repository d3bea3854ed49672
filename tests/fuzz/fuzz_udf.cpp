// UDF volumes from untrusted bytes, read through an in-memory drive: the
// reader must end every reading without a crash, an out-of-bounds read or
// an endless loop, whatever the descriptors say.
//
// Input: one byte of track setup (packet, ISO 9660 flag, erasable disc,
// next writable address, C switch, AcceptErrors, forced block scan), then
// records of a 16-bit block number, a 16-bit length and that many bytes
// (at most 2048) written at the block; every other block is zero.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"

namespace {

using namespace kel::diag;

constexpr std::int32_t kTrackEnd = 700;

void Setup() {
    static const bool once = [] {
        logSwitches().debugMode = false;
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kNo; });
        return true;
    }();
    static_cast<void>(once);
}

void ReadSomeData(FileNode* node) {
    std::array<std::uint8_t, 2048> block{};
    for (int files = 0; node != nullptr && files < 4; node = node->next) {
        if (IsDirectory(*node) || !InitUDFAccess(*node, block)) {
            continue;
        }
        ++files;
        for (int i = 0; i < 8 && ReadUdfFileBlock(*node, block) == 1; ++i) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup();
    if (size < 1) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    testing::MemoryDevice device(kTrackEnd + 16);
    for (std::size_t at = 1; at + 4 <= size;) {
        const std::uint32_t block = (data[at] | data[at + 1] << 8) % (kTrackEnd + 16);
        std::size_t length = data[at + 2] | data[at + 3] << 8;
        at += 4;
        length = std::min({length, std::size_t{2048}, size - at});
        std::copy_n(data + at, length, device.block(static_cast<std::int32_t>(block)).begin());
        at += length;
    }

    TrackInfo track;
    TrackInfo leadOut;
    track.track = 1;
    track.session = 1;
    track.start = 0;
    track.end = kTrackEnd;
    track.control = (mode & 1) ? 0x15 : 0x14;
    track.flags = ((mode & 1) ? track_flags::kPacket : 0u) |
                  ((mode & 2) ? track_flags::kIso9660 : 0u) |
                  ((mode & 4) ? track_flags::kErasable : 0u);
    track.nextWritable = (mode & 8) ? kTrackEnd - 8 : 0;
    track.next = &leadOut;
    leadOut.prev = &track;
    leadOut.track = kLeadOutTrack;
    leadOut.start = kTrackEnd;
    Options().cSwitch = (mode & 16) ? 1 : 0;
    Options().acceptErrors = (mode & 32) ? 1 : 0;
    Options().intensiveUdfScan = (mode & 64) ? 1 : 0;

    SetCurrentDevice(&device);
    std::array<std::uint8_t, 2048> buffer{};
    if (ReadUdfVolume(track, buffer) && track.root != nullptr) {
        ReadSomeData(track.root->firstChild);
        std::string implementation;
        UdfImplementationId(track, implementation);
    }
    FreeFileTree(track.root);
    SetCurrentDevice(nullptr);
    return 0;
}
