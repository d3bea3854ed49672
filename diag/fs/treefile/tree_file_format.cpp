#include "diag/fs/treefile/tree_file_format.h"

#include "diag/fs/file_node.h"

namespace kel::diag::tree_file {

bool OwnsExtentList(std::uint16_t nodeFlags, std::uint32_t trackFlags) {
    return (nodeFlags & node_flags::kExtentList) != 0 && (trackFlags & track_flags::kIso9660) != 0;
}

std::uint32_t DiscSignature(const TrackList& tracks) {
    std::uint32_t records = 0;
    std::int64_t digits = 0;
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        ++records;
        // Signed: a lead-out's end may lie below its start, and the digits
        // of such a length count negative.
        for (std::int64_t n = std::int64_t{t->end} - t->start; n != 0; n /= 13) {
            digits += n % 13;
        }
    }
    return (records << 24) | static_cast<std::uint32_t>(digits);
}

}  // namespace kel::diag::tree_file
