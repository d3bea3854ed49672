// The extents of one UDF file or directory, read from the allocation
// descriptors of its file entry and of the blocks they continue in.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

// Where collected extent records go; false when a record could not be kept,
// which ends the collection.
using ExtentSink = std::function<bool(const ExtentEntry& record)>;

// Hands the record (start, blocks, entry) to the sink and logs it in debug
// mode; the sink's answer.
bool PutExtent(const ExtentSink& sink, FileNode& entry, std::int32_t start, std::int32_t blocks);

// Blocks needed for `bytes`.
inline std::int32_t BlocksFor(std::uint64_t bytes) {
    return static_cast<std::int32_t>((bytes + 2047) / 2048);
}

// One record per extent that `fileEntry` (the entry's file entry, read
// into a buffer the function may reuse for continuation blocks) describes.
// Positions are relative to `partitionStart`. False only when the sink
// refused a record.
bool CollectFileEntryExtents(FileNode& entry, std::span<std::uint8_t, 2048> fileEntry,
                             std::int32_t partitionStart, const ExtentSink& sink);

}  // namespace kel::diag
