// Placing catalog records into a track's FileNode tree: directories by
// their id, files and directories under the directory whose id the key
// names as parent, children appended at the end of their parent's list.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"
#include "diag/fs/hfs/hfs_format.h"

namespace kel::diag::hfs {

// One catalog record, split into its key and its data record.
struct CatalogRecord {
    std::uint32_t parentId = 0;
    std::string name;
    BigEndianBytes data;                  // holds the record's whole fixed part
    std::span<const std::uint8_t> whole;  // key and data, for a dump
};

class HfsTreeBuilder {
public:
    explicit HfsTreeBuilder(TrackInfo& track) : track_(track) {}

    // The first directory becomes the track's root; false when a node could
    // not be allocated (message 111 shown), which ends the reading.
    bool AddDirectory(const CatalogRecord& record);
    bool AddFile(const CatalogRecord& record);

private:
    FileNode* ParentOf(const CatalogRecord& record, const char* unconnectedTitle);
    void Append(FileNode& parent, FileNode& child);

    TrackInfo& track_;
    std::unordered_map<std::uint32_t, FileNode*> directories_;
    std::unordered_map<const FileNode*, FileNode*> lastChild_;
};

// Inserts the directory into the tree pane, then every directory below it,
// depth first.
void AddHfsDirectoryToTree(FileNode& directory);

}  // namespace kel::diag::hfs
