// A file's extents from untrusted file entries and descriptor blocks: the
// overlap pass must end every list without a crash, an out-of-bounds read
// or an endless chain of continuation blocks.
//
// Input: the file entry's 2048 bytes, then the disc's blocks 0, 1, 2, ...
// in turn (a short last block is padded with zeros); the partition starts at
// block 0, so continuation descriptors reach the blocks that follow.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "diag/device/device_access.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/duplicates/file_entry_extents.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"

namespace {

using namespace kel::diag;

constexpr std::size_t kMaxRecords = 1 << 20;

void Setup() {
    static const bool once = [] {
        logSwitches().debugMode = false;
        SetMessageResponder([](int, std::uint16_t, const std::string&) { return answer::kOk; });
        return true;
    }();
    static_cast<void>(once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Setup();
    std::array<std::uint8_t, 2048> entry{};
    std::copy_n(data, std::min<std::size_t>(size, entry.size()), entry.begin());
    testing::MemoryDevice device;
    for (std::size_t at = entry.size(), block = 0; at < size; at += 2048, ++block) {
        auto target = device.block(static_cast<std::int32_t>(block));
        std::copy_n(data + at, std::min<std::size_t>(size - at, 2048), target.begin());
    }
    SetCurrentDevice(&device);
    char name[] = "FUZZ";
    FileNode node;
    node.name = name;
    node.flags = node_flags::kExtentList;
    std::size_t records = 0;
    CollectFileEntryExtents(node, entry, 0, [&records](const ExtentEntry& record) {
        if (record.count < 0 || ++records > kMaxRecords) {
            __builtin_trap();
        }
        return true;
    });
    SetCurrentDevice(nullptr);
    return 0;
}
