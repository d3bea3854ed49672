// The UDF reader: the volume structure of one track (anchor, volume
// descriptors, partition, virtual allocation or sparing table, file set),
// its directories and file entries, the block scan that collects what the
// directories no longer reach, and access to a file's data.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

// FileNode::flags bits that UDF trees use beside directory and extent list.
namespace udf_node_flags {
// The directory holds an identifier that points back at its own file entry.
inline constexpr std::uint16_t kSelfReference = 2;
// Found by the block scan, not through a file identifier.
inline constexpr std::uint16_t kFoundByScan = 4;
// File entry unreadable, invalid or out of range; startBlock is -1.
inline constexpr std::uint16_t kBadEntry = 8;
// The data is not one extent.
inline constexpr std::uint16_t kNotOneExtent = 16;
inline constexpr std::uint16_t kDeleted = 32;
// A continuation block of allocation descriptors could not be read.
inline constexpr std::uint16_t kBrokenChain = 128;
}  // namespace udf_node_flags

// TrackInfo::flags bits of the UDF reader that track_info.h leaves unnamed.
namespace udf_track_flags {
inline constexpr std::uint32_t kSparableMap = 1u << 8;  // kept on the first track
inline constexpr std::uint32_t kEarlierVatRetry = 1u << 11;
inline constexpr std::uint32_t kCompressedFileSet = 1u << 15;
}  // namespace udf_track_flags

// CheckUdfTag's error codes.
namespace udf_tag_error {
inline constexpr int kVersion = 10;
inline constexpr int kReserved = 11;
inline constexpr int kCrcLength = 12;
inline constexpr int kChecksum = 13;
}  // namespace udf_tag_error

// In a UDF tree a node keeps the block of its file entry in reserved1; a
// track root keeps the block of its logical volume descriptor in reserved2.

// The block to read for a logical block of the partition `reference`.
std::int32_t TranslateUdfBlock(std::int32_t block, std::uint16_t reference);

// True for a valid descriptor tag; `error` (when given) gets the reason.
bool CheckUdfTag(std::span<const std::uint8_t> descriptor, int* error);

// The text of an OSTA compressed-unicode field of `fieldLength` bytes (the
// compression id included), as UTF-8; empty for an unknown compression.
std::string UdfStringToText(std::size_t fieldLength, std::span<const std::uint8_t> field);

// The seven date bytes of a file node from a 12-byte timestamp.
std::array<std::uint8_t, 7> UdfTimestampToDate(std::span<const std::uint8_t> timestamp);

// The implementation identifier of the logical volume that the track's root
// was read from; false when there is none or its block cannot be read.
bool UdfImplementationId(const TrackInfo& track, std::string& text);

// Reads the directory whose file entry is `fileEntry`; the first node of its
// list, or null.
FileNode* ReadUdfDirectory(FileNode& directory, std::span<const std::uint8_t> fileEntry);
// Makes nodes for the file identifiers in `data`; the first node, or null.
FileNode* ParseFileIdentifiers(std::span<const std::uint8_t> data, FileNode& directory);
// Makes the node of one entry from its file identifier (tag 257) or, in the
// block scan, from its file entry; linked after `previous`.
FileNode* ReadUdfFileEntry(FileNode& directory, FileNode* previous,
                           std::span<const std::uint8_t> source);

// Scans the blocks of the track that the directories did not account for and
// hangs what it finds under "Unattached Items".
bool IntensiveUdfScan(FileNode& root, std::int32_t partitionStart,
                      std::span<std::uint8_t, 2048> buffer);

// File data access: InitUDFAccess prepares reading `node`'s data, and each
// ReadUdfFileBlock delivers its next 2048 bytes: 1, 0 on a read error, -1
// when the descriptors end or their chain is broken.
bool InitUDFAccess(FileNode& node, std::span<std::uint8_t, 2048> buffer);
int ReadUdfFileBlock(FileNode& node, std::span<std::uint8_t, 2048> out);

// A compressed extent of one packet-writing program: `input` is the stored
// form, `output` receives exactly output.size() expanded bytes.
struct CeQuadratBlock {
    std::span<const std::uint8_t> input;
    std::span<std::uint8_t> output;
};
bool ExpandCeQuadratBlock(const CeQuadratBlock& block);

}  // namespace kel::diag
