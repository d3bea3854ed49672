// The HFS reader, the volume summary and the sampler-track check over an
// arbitrary disc image: whatever the partition map, master directory block
// and catalog nodes hold, the reading ends without a read outside its
// buffers, and the tree it builds is well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/hfs/hfs_summary.h"
#include "diag/fs/readers.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"

using namespace kel::diag;

namespace {

// Every child names its directory as parent and its predecessor as previous.
void CheckTree(const FileNode& directory) {
    std::vector<const FileNode*> pending{&directory};
    while (!pending.empty()) {
        const FileNode* at = pending.back();
        pending.pop_back();
        const FileNode* previous = nullptr;
        for (const FileNode* child = at->firstChild; child; child = child->next) {
            if (child->parent != at || child->previous != previous) {
                std::abort();
            }
            previous = child;
            pending.push_back(child);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kOk; });
        return true;
    }();
    (void)quiet;
    testing::MemoryDevice device(std::vector<std::uint8_t>(data, data + size));
    SetCurrentDevice(&device);
    TrackInfo track;
    track.session = 1;
    track.track = 1;
    track.control = 0x14;
    if (ReadHfsVolume(track) && track.root != nullptr) {
        CheckTree(*track.root);
    }
    FreeFileTree(track.root);
    (void)OpenHfsSummary(track);
    TrackInfo other;
    if (IdentifyOtherTrack(other)) {
        FreeFileTree(other.root);
    }
    SetCurrentDevice(nullptr);
    return 0;
}
