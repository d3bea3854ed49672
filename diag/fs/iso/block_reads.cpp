#include <limits>

#include "diag/fs/iso/iso_scan.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {

bool ReadBlock(CdDevice& device, std::int64_t block, std::span<std::uint8_t> buffer) {
    // Block numbers come from the disc and may be anything once a shift or a
    // track start has been added to them.
    if (block < 0 || block > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    return device.ReadSectors(static_cast<std::uint32_t>(block), buffer.first(iso::kBlockSize), 1);
}

TrackedBuffer::TrackedBuffer(std::int32_t size, const char* module, int line)
    : data_(static_cast<std::uint8_t*>(TrackedAlloc(size, module, line))),
      size_(data_ != nullptr ? static_cast<std::size_t>(size) : 0) {}

TrackedBuffer::~TrackedBuffer() {
    TrackedFree(data_, __FILE__, __LINE__);
}

}  // namespace kel::diag
