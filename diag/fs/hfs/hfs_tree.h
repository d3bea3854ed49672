// Placing catalog records into a track's FileNode tree. Every record is
// collected first and then linked by parent id, because a folder moved
// into another can lie in the catalog before its new parent.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"
#include "diag/fs/hfs/hfs_format.h"

namespace kel::diag::hfs {

// One catalog record, split into its key and its data record; it owns a
// copy of its bytes, since the node they came from is soon read over.
struct CatalogRecord {
    std::uint32_t parentId = 0;
    std::string name;
    std::vector<std::uint8_t> whole;  // key and data, for a dump
    std::size_t dataAt = 0;           // the data record's offset in `whole`

    // Holds the record's whole fixed part.
    BigEndianBytes data() const { return BigEndianBytes(std::span(whole).subspan(dataAt)); }
    std::uint8_t type() const { return data().u8(0); }
};

class HfsTreeBuilder {
public:
    HfsTreeBuilder(TrackInfo& track, std::string volumeName)
        : track_(track), volumeName_(std::move(volumeName)) {}

    // Keeps a directory or file record for Build.
    void Collect(CatalogRecord record);
    // Hangs the collected records on the track: the folder whose parent is
    // the root's parent id 1 becomes the root (else an empty root named after
    // the volume), and each directory gets its folders, then its files, in
    // catalog order.
    // Records no directory reaches are reported, by one message per
    // reading; false when a node could not be allocated (message 111).
    bool Build();

private:
    bool AddChildren(FileNode& directory, std::uint32_t id, std::vector<FileNode*>& pending);
    FileNode* NewNode(const CatalogRecord& record, bool root);
    void Append(FileNode& parent, FileNode& child);
    void ReportUnconnected();

    TrackInfo& track_;
    std::string volumeName_;
    std::vector<CatalogRecord> records_;
    std::vector<bool> placed_;
    // Parent id to the records it names, in catalog order.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> children_;
};

// When the catalog gave no root: an empty root named after the volume, so
// that the track still shows in the tree. Null after message 111.
FileNode* HangEmptyRoot(TrackInfo& track, const std::string& volumeName);

// Inserts the directory into the tree pane, then every directory below it,
// depth first.
void AddHfsDirectoryToTree(FileNode& directory);

}  // namespace kel::diag::hfs
