// Volume descriptors and directories are outside bytes: whatever a disc
// holds, reading its file system must end in a tree (or none) without a
// crash, a hang or a read outside a block. The other file-system readers are
// stubbed, so every input reaches the ISO 9660, Joliet and High Sierra code.
//
// Input: byte 0 options (bit 0 IgnoreJoliet, bit 1 ShowAll, bit 2 no track
// after this one, bit 3 a second data track in the same session from the
// middle of the disc), byte 1 a block (from the track start) that fails to
// read, 0xFF for none, byte 2 the track start; the rest is the disc from the
// track's block 16 on.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"

namespace {

using namespace kel::diag;

constexpr std::size_t kHeader = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) {
        return 0;
    }
    static const bool quietMessages = [] {
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kOk; });
        return true;
    }();
    (void)quietMessages;

    const std::uint8_t options = data[0];
    const std::int32_t start = data[2];
    std::vector<std::uint8_t> image(static_cast<std::size_t>(start + 16) * 2048, 0);
    image.insert(image.end(), data + kHeader, data + size);
    testing::MemoryDevice device(std::move(image));
    if (data[1] != 0xFF) {
        device.failing.insert(static_cast<std::uint32_t>(start + data[1]));
    }
    SetCurrentDevice(&device);
    Options().ignoreJoliet = options & 1;
    Options().showAll = (options >> 1) & 1;

    const auto end = static_cast<std::int32_t>(device.blockCount());
    TrackInfo track;
    TrackInfo second;
    TrackInfo leadOut;
    track.start = start;
    track.end = end;
    track.session = 1;
    track.track = 1;
    track.control = 0x14;
    leadOut.track = kLeadOutTrack;
    leadOut.start = end;
    if ((options & 4) == 0) {
        track.next = &leadOut;
        if (options & 8) {
            second = track;
            second.track = 2;
            second.start = start + (end - start) / 2;
            track.end = second.start;
            track.next = &second;
            second.next = &leadOut;
        }
    }
    ReadTrackFileSystem(track);
    FreeFileTree(track.root);
    SetCurrentDevice(nullptr);
    return 0;
}
