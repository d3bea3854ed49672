// Extended file entries (ECMA-167 4/14.17), which UDF 2.00 and later write
// for roots, directories and the VAT: the same fields as a file entry plus
// a few more, so every field after the information length sits further on.
// They are turned into a plain file entry in place, so that every reader of
// file entries, here and in the duplicate and overlap passes, takes both.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "diag/fs/udf/udf_layout.h"

namespace kel::diag::udf {

inline constexpr std::uint16_t kExtendedFileEntry = 266;

// A block holding an extended file entry becomes the file entry with the
// same fields; any other block is left alone. The tag checksum moves with
// the identifier, so that a damaged tag stays damaged.
inline void ToPlainFileEntry(std::span<std::uint8_t> block) {
    if (block.size() < kBlockSizeBytes ||
        Le16(block, tag_field::kIdentifier) != kExtendedFileEntry) {
        return;
    }
    block = block.first(kBlockSizeBytes);
    struct Move {
        std::size_t from;
        std::size_t to;
        std::size_t bytes;
    };
    // In rising order: each field lands below the next one's source.
    constexpr Move kMoves[] = {
        {72, 64, 8},     // logical blocks recorded
        {80, 72, 12},    // access time
        {92, 84, 12},    // modification time
        {116, 96, 12},   // attribute time
        {128, 108, 4},   // checkpoint
        {136, 112, 16},  // extended attribute ICB
        {168, 128, 32},  // implementation identifier
        {200, 160, 8},   // unique id
        {208, 168, 8},   // lengths of the attributes and of the descriptors
    };
    for (const Move& move : kMoves) {
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(move.from), move.bytes,
                    block.begin() + static_cast<std::ptrdiff_t>(move.to));
    }
    constexpr std::size_t kExtendedArea = 216;
    const auto area = block.begin() + static_cast<std::ptrdiff_t>(kExtendedArea);
    const auto to = block.begin() + static_cast<std::ptrdiff_t>(entry_field::kAllocationArea);
    std::copy(area, block.end(), to);
    std::fill(
        block.end() - static_cast<std::ptrdiff_t>(kExtendedArea - entry_field::kAllocationArea),
        block.end(), std::uint8_t{0});
    block[tag_field::kIdentifier] = static_cast<std::uint8_t>(tag::kFileEntry);
    block[tag_field::kChecksum] = static_cast<std::uint8_t>(block[tag_field::kChecksum] -
                                                            (kExtendedFileEntry - tag::kFileEntry));
}

}  // namespace kel::diag::udf
