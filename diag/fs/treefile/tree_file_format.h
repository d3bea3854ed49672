// The directory tree file: the track list and every file tree of a disc,
// saved so that they can be shown again without the disc. Little-endian
// 32-bit words throughout:
//
//   header         80 bytes: entry count, track count, disc signature,
//                  offset of the extent-list area, zeros
//   track records  68 bytes each, in track-list order
//   entry table    8 bytes per node: node key, file offset of its record;
//                  ascending by key
//   node records   104 fixed bytes, the name, NUL, the note and NUL when
//                  the node has one; padded to 4 bytes
//   extent lists   (start block, length) pairs of the nodes that own one
//
// Links between nodes are entry indexes (-1 for none); a node's track is
// the track record's position in the file, so that a track's second record
// (the HFS twin of a hybrid track) keeps its own tree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "diag/disc/track_info.h"

namespace kel::diag::tree_file {

inline constexpr std::size_t kHeaderBytes = 80;
namespace header {
inline constexpr std::size_t kEntryCount = 0;
inline constexpr std::size_t kTrackCount = 4;
inline constexpr std::size_t kDiscSignature = 8;
inline constexpr std::size_t kExtentArea = 12;
}  // namespace header

inline constexpr std::size_t kTrackRecordBytes = 68;
namespace track_record {
inline constexpr std::size_t kStart = 8;
inline constexpr std::size_t kEnd = 12;
inline constexpr std::size_t kFreeBlocks = 16;
inline constexpr std::size_t kNextWritable = 20;
inline constexpr std::size_t kDepth = 24;
inline constexpr std::size_t kPacketSize = 28;
inline constexpr std::size_t kPartitionStart = 32;
inline constexpr std::size_t kRoot = 36;  // entry index, -1 for none
inline constexpr std::size_t kExtentCount = 40;
inline constexpr std::size_t kSelected = 48;
inline constexpr std::size_t kFlags = 52;
inline constexpr std::size_t kTrackModeByte = 56;
inline constexpr std::size_t kDataModeByte = 57;
inline constexpr std::size_t kSession = 58;
inline constexpr std::size_t kTrack = 59;
inline constexpr std::size_t kControl = 60;
inline constexpr std::size_t kUdfStatus = 61;
}  // namespace track_record

inline constexpr std::size_t kEntryBytes = 8;

inline constexpr std::size_t kNodeFixedBytes = 104;
// Longest node record a reader accepts, and so the longest one written.
inline constexpr std::size_t kMaxNodeRecordBytes = 616;
namespace node_record {
inline constexpr std::size_t kNext = 0;
inline constexpr std::size_t kPrevious = 4;
inline constexpr std::size_t kFirstChild = 8;
inline constexpr std::size_t kParent = 12;
inline constexpr std::size_t kTrack = 16;
inline constexpr std::size_t kReserved1 = 20;
inline constexpr std::size_t kNote = 24;  // offset of the note in the record, 0 for none
inline constexpr std::size_t kStartBlock = 72;
inline constexpr std::size_t kSize = 76;
inline constexpr std::size_t kCount = 80;
inline constexpr std::size_t kExtents = 84;  // see below
inline constexpr std::size_t kReserved2 = 88;
inline constexpr std::size_t kFlags = 92;  // 16 bits
inline constexpr std::size_t kRecordingDate = 94;
inline constexpr std::size_t kName = kNodeFixedBytes;
}  // namespace node_record
// The extents word: for a node that owns an extent list, the list's offset
// in the extent-list area; else the word the reader keeps there as is.

inline constexpr std::size_t kExtentPairBytes = 8;

inline constexpr std::int32_t kNoEntry = -1;

// Whether the node's extents field is an extent list it owns: flag 16 on an
// ISO 9660 track (other readers keep a number there).
bool OwnsExtentList(std::uint16_t nodeFlags, std::uint32_t trackFlags);

// (number of records << 24) | the sum over all records of the base-13
// digits of (end - start).
std::uint32_t DiscSignature(const TrackList& tracks);

}  // namespace kel::diag::tree_file
