// The extents of every file of a track's tree, as the overlap pass collects
// them.
#pragma once

#include <cstdint>
#include <span>

#include "diag/tools/duplicates/file_entry_extents.h"

namespace kel::diag {

// One or more records for each entry below `directory` that has data;
// `buffer` takes the file entries read on the way. Stops early when the
// current device's `cancelled` flag is set; false when the sink refused a
// record.
bool CollectExtents(FileNode& directory, std::span<std::uint8_t, 2048> buffer,
                    std::int32_t partitionStart, const ExtentSink& sink);

}  // namespace kel::diag
