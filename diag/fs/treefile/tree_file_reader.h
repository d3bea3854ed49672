// Reading a directory tree file back: every count, offset and link is
// checked against the file before anything is built from it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag::tree_file {

struct LoadedTrack {
    TrackInfo record;  // links, root and extent fields clear
    std::int32_t root = -1;
};

struct LoadedNode {
    std::uint32_t fileOffset = 0;
    std::uint32_t recordBytes = 0;
    std::int32_t next = -1;
    std::int32_t previous = -1;
    std::int32_t firstChild = -1;
    std::int32_t parent = -1;
    std::int32_t track = -1;
    std::uint32_t reserved1 = 0;
    std::int32_t startBlock = 0;
    std::uint32_t size = 0;
    std::uint32_t count = 0;
    // The extents word when the node owns no extent list.
    std::uint32_t extentsWord = 0;
    std::uint32_t reserved2 = 0;
    std::uint16_t flags = 0;
    std::array<std::uint8_t, 7> recordingDate{};
    std::string name;
    std::optional<std::string> note;
    std::vector<FileExtent> extents;  // the owned list, when there is one
};

struct LoadedTreeFile {
    std::uint32_t discSignature = 0;
    std::vector<LoadedTrack> tracks;
    std::vector<LoadedNode> nodes;
};

// The file's contents, or why it is not a directory file this program can
// use. The node links are known to form one tree per track root, with
// every node in exactly one of them.
std::variant<LoadedTreeFile, std::string> ParseTreeFile(std::span<const std::uint8_t> bytes);

}  // namespace kel::diag::tree_file
