#include "diag/fs/udf/udf_state.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "diag/device/device_access.h"
#include "diag/fs/disc_end.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/extended_file_entry.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag::udf {

ReaderState& State() {
    static ReaderState state;
    return state;
}

void ClearFoldersLeftUnread() {
    State().foldersLeftUnread = 0;
    State().firstFolderLeftUnread.clear();
}

void ResetState(TrackInfo& track) {
    MapTable map = std::move(State().map);
    State() = ReaderState{};
    State().map = std::move(map);
    State().track = &track;
    State().discEnd = DiscEnd(track);
}

CdDevice* Device() {
    return CurrentDevice();
}

bool ReadBlocks(std::int32_t block, std::span<std::uint8_t> buffer, std::uint32_t count) {
    CdDevice* device = Device();
    if (device == nullptr || block < 0 || count == 0 ||
        buffer.size() < std::size_t{count} * kBlockSizeBytes) {
        return false;
    }
    return device->ReadSectors(static_cast<std::uint32_t>(block), buffer, count);
}

bool ReadEntryBlock(std::int32_t block, std::span<std::uint8_t> buffer) {
    if (!ReadBlocks(block, buffer)) {
        return false;
    }
    ToPlainFileEntry(buffer);
    return true;
}

bool Cancelled() {
    const CdDevice* device = Device();
    return (device != nullptr && device->cancelled != 0) || CloseRequested().load();
}

QuietReads::QuietReads() {
    if (CdDevice* device = Device()) {
        saved_ = device->quiet;
        device->quiet = 1;
    }
}

QuietReads::~QuietReads() {
    if (CdDevice* device = Device()) {
        device->quiet = saved_;
    }
}

bool DebugOn() {
    return logSwitches().debugMode.load();
}

void Dump(std::span<const std::uint8_t> bytes, std::string_view title) {
    if (DebugOn()) {
        DumpBlock(bytes, static_cast<int>(bytes.size()), title);
    }
}

TrackInfo* NextTrack(const TrackInfo& track) {
    TrackInfo* next = track.next;
    return next != nullptr && next->track != kLeadOutTrack ? next : nullptr;
}

TrackInfo& FirstTrack(TrackInfo& track) {
    TrackInfo* first = &track;
    while (first->prev != nullptr) {
        first = first->prev;
    }
    return *first;
}

TrackedBuffer::TrackedBuffer(std::size_t size, const char* module, int line) {
    if (size > static_cast<std::size_t>(INT32_MAX)) {
        return;
    }
    data_ = static_cast<std::uint8_t*>(TrackedAlloc(static_cast<std::int32_t>(size), module, line));
    if (data_ != nullptr) {
        size_ = size;
        std::fill_n(data_, size, std::uint8_t{0});
    }
}

TrackedBuffer::~TrackedBuffer() {
    if (data_ != nullptr) {
        TrackedFree(data_, __FILE__, __LINE__);
    }
}

void FreeTreeKeepingTable(FileNode* first) {
    MapTable kept = std::move(State().map);
    FreeFileTree(first);
    State().map = std::move(kept);
}

}  // namespace kel::diag::udf
