// One directory entry of a track's file system, shared by every file-system
// reader, the panes, the duplicate and overlap passes and the tree file.
// A track's tree is a root node whose children form a sibling list; each
// directory's entries hang below it in the same way.
#pragma once

#include <array>
#include <cstdint>

namespace kel::diag {

struct TrackInfo;

// An extent of a file recorded in pieces: start block and length in bytes.
struct FileExtent {
    std::int32_t start = 0;
    std::uint32_t length = 0;
};

// Bits of FileNode::flags.
namespace node_flags {
inline constexpr std::uint16_t kDirectory = 1;
inline constexpr std::uint16_t kExtentList = 16;
// 2, 4, 8, 32 and 128 belong to the UDF and HFS readers.
}  // namespace node_flags

struct FileNode {
    FileNode* next = nullptr;
    FileNode* previous = nullptr;
    FileNode* firstChild = nullptr;
    FileNode* parent = nullptr;
    TrackInfo* track = nullptr;
    std::uint32_t reserved1 = 0;
    // Optional second text; every reader leaves it null.
    char* note = nullptr;
    // The tree pane's item for this node, created and owned by the pane.
    void* treeItem = nullptr;
    // Item index in the list pane while the node's directory is shown.
    std::int32_t listIndex = 0;
    // -1 when the entry lies beyond the end of the volume.
    std::int32_t startBlock = 0;
    // Bytes; for a file with an extent list, the sum of its extents, which
    // reaches past 4 GiB for the largest multi-extent files.
    std::uint64_t size = 0;
    // Directory: entries below it (. and .. not counted, subdirectories'
    // counts added). File with an extent list: its number of extents.
    std::uint32_t count = 0;
    FileExtent* extents = nullptr;  // owned by the node; only with kExtentList
    std::uint32_t reserved2 = 0;
    std::uint16_t flags = 0;
    // Years since 1900, month, day, hour, minute, second, offset from GMT in
    // 15-minute units.
    std::array<std::uint8_t, 7> recordingDate{};
    // NUL-terminated, as recorded (version suffix included); "" for . and
    // "\1" for ... Points into the node's own block, right after the record:
    // a node is allocated with the record's size plus its name's room.
    char* name = nullptr;
};

// A root node's name (volume identifier and session) has room for this many
// characters; an entry node has exactly the room its name needs.
inline constexpr std::int32_t kRootNameRoom = 66;

inline bool IsDirectory(const FileNode& node) {
    return (node.flags & node_flags::kDirectory) != 0;
}

// "." and ".." as the readers store them.
inline bool IsDotEntry(const FileNode& node) {
    return node.name[0] == '\0' || (node.name[0] == '\1' && node.name[1] == '\0');
}

}  // namespace kel::diag
