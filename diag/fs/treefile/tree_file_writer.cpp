#include "diag/fs/treefile/tree_file_writer.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "diag/fs/file_node.h"
#include "diag/fs/treefile/tree_file_format.h"

namespace kel::diag::tree_file {

namespace {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void put32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            out_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    void put16(std::size_t at, std::uint16_t value) {
        out_[at] = static_cast<std::uint8_t>(value);
        out_[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    void putBytes(std::size_t at, const void* bytes, std::size_t count) {
        std::memcpy(out_.data() + at, bytes, count);
    }

private:
    std::vector<std::uint8_t>& out_;
};

// The roots in track order, then each root's tree depth first: a directory,
// then its entries in list order, each subdirectory followed at once by its
// own entries.
std::vector<const FileNode*> CollectEntries(const TrackList& tracks) {
    std::vector<const FileNode*> entries;
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        if (t->root != nullptr) {
            entries.push_back(t->root);
        }
    }
    const std::size_t roots = entries.size();
    for (std::size_t r = 0; r < roots; ++r) {
        std::vector<const FileNode*> pending;
        for (const FileNode* child = entries[r]->firstChild; child; child = child->next) {
            pending.push_back(child);
        }
        std::reverse(pending.begin(), pending.end());
        while (!pending.empty()) {
            const FileNode* node = pending.back();
            pending.pop_back();
            entries.push_back(node);
            std::vector<const FileNode*> children;
            for (const FileNode* child = node->firstChild; child; child = child->next) {
                children.push_back(child);
            }
            pending.insert(pending.end(), children.rbegin(), children.rend());
        }
    }
    return entries;
}

std::size_t NodeRecordBytes(const FileNode& node) {
    std::size_t bytes = kNodeFixedBytes + std::strlen(node.name) + 1;
    if (node.note != nullptr) {
        bytes += std::strlen(node.note) + 1;
    }
    return (bytes + 3) & ~std::size_t{3};
}

}  // namespace

TreeFileImage BuildTreeFile(const TrackList& tracks) {
    TreeFileImage image;
    std::unordered_map<const TrackInfo*, std::int32_t> trackIndex;
    std::int32_t trackCount = 0;
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next) {
        trackIndex.emplace(t, trackCount++);
    }
    const std::vector<const FileNode*> entries = CollectEntries(tracks);
    // The entry's position is its key, so the table is in key order as made.
    std::unordered_map<const FileNode*, std::int32_t> entryIndex;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entryIndex.emplace(entries[i], static_cast<std::int32_t>(i));
    }
    const std::size_t tableAt = kHeaderBytes + kTrackRecordBytes * trackIndex.size();
    std::size_t nodesAt = tableAt + kEntryBytes * entries.size();
    std::size_t extentsAt = nodesAt;
    for (const FileNode* node : entries) {
        const std::size_t bytes = NodeRecordBytes(*node);
        if (bytes > kMaxNodeRecordBytes) {
            image.problem =
                "The name \"" + std::string(node->name) + "\" is too long for a directory file.";
            return image;
        }
        extentsAt += bytes;
    }
    std::size_t extentBytes = 0;
    for (const FileNode* node : entries) {
        if (node->extents && node->track && OwnsExtentList(node->flags, node->track->flags)) {
            extentBytes += kExtentPairBytes * node->count;
        }
    }
    if (extentsAt + extentBytes > 0x7FFFFFFF) {
        image.problem = "The directory information is too large for a directory file.";
        return image;
    }

    image.bytes.assign(extentsAt + extentBytes, 0);
    ByteWriter out(image.bytes);
    out.put32(header::kEntryCount, static_cast<std::uint32_t>(entries.size()));
    out.put32(header::kTrackCount, static_cast<std::uint32_t>(trackCount));
    out.put32(header::kDiscSignature, DiscSignature(tracks));
    out.put32(header::kExtentArea, static_cast<std::uint32_t>(extentsAt));

    auto linkOf = [&](const FileNode* target) {
        if (target == nullptr) {
            return static_cast<std::uint32_t>(kNoEntry);
        }
        const auto found = entryIndex.find(target);
        if (found == entryIndex.end()) {
            image.linkMissing = true;
            return static_cast<std::uint32_t>(kNoEntry);
        }
        return static_cast<std::uint32_t>(found->second);
    };

    std::size_t at = kHeaderBytes;
    for (const TrackInfo* t = tracks.first; t != nullptr; t = t->next, at += kTrackRecordBytes) {
        out.put32(at + track_record::kStart, static_cast<std::uint32_t>(t->start));
        out.put32(at + track_record::kEnd, static_cast<std::uint32_t>(t->end));
        out.put32(at + track_record::kFreeBlocks, static_cast<std::uint32_t>(t->freeBlocks));
        out.put32(at + track_record::kNextWritable, static_cast<std::uint32_t>(t->nextWritable));
        out.put32(at + track_record::kDepth, static_cast<std::uint32_t>(t->depth));
        out.put32(at + track_record::kPacketSize, t->packetSize);
        out.put32(at + track_record::kPartitionStart,
                  static_cast<std::uint32_t>(t->partitionStart));
        out.put32(at + track_record::kRoot, linkOf(t->root));
        out.put32(at + track_record::kExtentCount, static_cast<std::uint32_t>(t->extentCount));
        out.put32(at + track_record::kSelected, static_cast<std::uint32_t>(t->selected));
        out.put32(at + track_record::kFlags, t->flags);
        const std::uint8_t bytes[] = {t->trackModeByte, t->dataModeByte, t->session,
                                      t->track,         t->control,      t->udfStatus};
        out.putBytes(at + track_record::kTrackModeByte, bytes, sizeof bytes);
    }

    std::size_t recordAt = nodesAt;
    std::size_t extentAt = extentsAt;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const FileNode& node = *entries[i];
        out.put32(tableAt + i * kEntryBytes, static_cast<std::uint32_t>(i));
        out.put32(tableAt + i * kEntryBytes + 4, static_cast<std::uint32_t>(recordAt));
        out.put32(recordAt + node_record::kNext, linkOf(node.next));
        out.put32(recordAt + node_record::kPrevious, linkOf(node.previous));
        out.put32(recordAt + node_record::kFirstChild, linkOf(node.firstChild));
        out.put32(recordAt + node_record::kParent, linkOf(node.parent));
        const auto track = trackIndex.find(node.track);
        out.put32(recordAt + node_record::kTrack, track == trackIndex.end()
                                                      ? static_cast<std::uint32_t>(kNoEntry)
                                                      : static_cast<std::uint32_t>(track->second));
        out.put32(recordAt + node_record::kReserved1, node.reserved1);
        out.put32(recordAt + node_record::kStartBlock, static_cast<std::uint32_t>(node.startBlock));
        // The record keeps 32 bits; a larger size is saved as the most it holds.
        out.put32(recordAt + node_record::kSize,
                  static_cast<std::uint32_t>(std::min<std::uint64_t>(node.size, UINT32_MAX)));
        out.put32(recordAt + node_record::kCount, node.count);
        std::uint32_t extentsWord = 0;
        if (node.extents && node.track && OwnsExtentList(node.flags, node.track->flags)) {
            extentsWord = static_cast<std::uint32_t>(extentAt - extentsAt);
            for (std::uint32_t e = 0; e < node.count; ++e, extentAt += kExtentPairBytes) {
                out.put32(extentAt, static_cast<std::uint32_t>(node.extents[e].start));
                out.put32(extentAt + 4, node.extents[e].length);
            }
        } else {
            // Other readers keep a number here, not a pointer.
            extentsWord =
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(node.extents));
        }
        out.put32(recordAt + node_record::kExtents, extentsWord);
        out.put32(recordAt + node_record::kReserved2, node.reserved2);
        out.put16(recordAt + node_record::kFlags, node.flags);
        out.putBytes(recordAt + node_record::kRecordingDate, node.recordingDate.data(),
                     node.recordingDate.size());
        const std::size_t nameBytes = std::strlen(node.name) + 1;
        out.putBytes(recordAt + node_record::kName, node.name, nameBytes);
        if (node.note != nullptr) {
            const std::size_t noteAt = node_record::kName + nameBytes;
            out.put32(recordAt + node_record::kNote, static_cast<std::uint32_t>(noteAt));
            out.putBytes(recordAt + noteAt, node.note, std::strlen(node.note) + 1);
        }
        recordAt += NodeRecordBytes(node);
    }
    return image;
}

}  // namespace kel::diag::tree_file
