// Where everything of a High Sierra volume goes: identifiers in the form the
// format allows, directories in path-table order, and the block of every
// extent. Pure arithmetic, kept apart from the byte encoding so that the
// placement can be checked on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "tools/mkdisc/fs/source_tree.h"

namespace kel::mkdisc::fs {

inline constexpr std::uint32_t kHsBlockSize = 2048;
inline constexpr std::uint32_t kHsDescriptorBlock = 16;  // after the system area
// A directory record: fixed part, then the identifier, padded to even length.
inline constexpr std::uint32_t kHsRecordFixedSize = 33;
// A path table record: fixed part, then the identifier, padded to even length.
inline constexpr std::uint32_t kHsPathRecordFixedSize = 8;

struct HsFile {
    std::size_t entry = 0;  // index into the source tree
    std::uint32_t extent = 0;
    std::uint64_t size = 0;
};

// A record of a directory after "." and "..": a file ("NAME.EXT;1") or a
// subdirectory ("NAME"), in the format's sort order.
struct HsRecord {
    std::string identifier;
    bool directory = false;
    std::size_t target = 0;  // index into HsLayout::directories or HsLayout::files
};

struct HsDirectory {
    std::string identifier;    // the root's is a single 0x00 byte
    std::uint16_t parent = 1;  // path table number (1-based); the root is its own parent
    std::vector<HsRecord> records;
    std::uint32_t extent = 0;
    std::uint32_t size = 0;  // bytes, whole blocks
};

struct HsLayout {
    std::vector<HsDirectory> directories;  // path-table order; [0] is the root
    std::vector<HsFile> files;
    std::uint32_t pathTableSize = 0;  // bytes
    std::uint32_t pathTableL = 0;     // block of the least-significant-byte-first table
    std::uint32_t pathTableM = 0;     // block of the most-significant-byte-first table
    std::uint32_t volumeBlocks = 0;
};

// Record lengths, shared by the layout and the encoder.
std::uint32_t hsRecordLength(const std::string& identifier);
std::uint32_t hsPathRecordLength(const std::string& identifier);

// Lays out `tree`, or says which name or depth the format cannot hold.
std::variant<HsLayout, std::string> layOutHighSierra(const SourceTree& tree);

// The volume identifier in d-characters (upper case), or nothing when it
// holds other characters or is longer than 32.
std::optional<std::string> hsVolumeIdentifier(const std::string& volumeId);

}  // namespace kel::mkdisc::fs
