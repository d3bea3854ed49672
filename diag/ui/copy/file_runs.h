// Where a file's bytes lie on the disc, as the file-system readers found
// them: a list of runs in disc byte addresses (block x 2048 + offset), so
// that ISO 9660 extents, HFS allocation blocks of 512-byte multiples and UDF
// allocation descriptors are all copied by one loop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diag/fs/file_node.h"

namespace kel::diag {

inline constexpr std::uint64_t kCopyBlockBytes = 2048;

struct DiscRun {
    std::uint64_t offset = 0;  // disc byte address; unused for zeros and embedded data
    std::uint64_t length = 0;  // bytes
    // An extent the file reserves but never recorded: it reads as zeros.
    bool zeros = false;
    // Data held in the file entry itself (UDF).
    std::vector<std::uint8_t> embedded;
};

struct FileRuns {
    std::vector<DiscRun> runs;
    // Why the data could not be placed; empty when `runs` is whole.
    std::string problem;
};

// The runs of a file node, cut to the node's size. A node the reader could
// not place (start block -1 or -2) gives a problem text.
FileRuns FileRunsOf(const FileNode& node);

}  // namespace kel::diag
