#include "diag/fs/treefile/tree_file_reader.h"

#include <algorithm>

#include "diag/fs/treefile/tree_file_format.h"

namespace kel::diag::tree_file {

namespace {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    // Callers check the structure's extent against size() first.
    std::uint32_t u32(std::size_t at) const {
        return static_cast<std::uint32_t>(bytes_[at]) | bytes_[at + 1] << 8 | bytes_[at + 2] << 16 |
               static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
    }
    std::uint8_t u8(std::size_t at) const { return bytes_[at]; }
    // The NUL-ended text from `at` before `end`; nothing without the NUL.
    std::optional<std::string> text(std::size_t at, std::size_t end) const {
        const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(at);
        const auto last = bytes_.begin() + static_cast<std::ptrdiff_t>(end);
        const auto nul = std::find(first, last, std::uint8_t{0});
        if (nul == last) {
            return std::nullopt;
        }
        return std::string(first, nul);
    }
    std::size_t size() const { return bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
};

std::string Numbered(const char* what, std::size_t index) {
    return std::string(what) + " " + std::to_string(index);
}

LoadedTrack ReadTrackRecord(const ByteReader& in, std::size_t at) {
    LoadedTrack loaded;
    TrackInfo& t = loaded.record;
    t.start = in.i32(at + track_record::kStart);
    t.end = in.i32(at + track_record::kEnd);
    t.freeBlocks = in.i32(at + track_record::kFreeBlocks);
    t.nextWritable = in.i32(at + track_record::kNextWritable);
    t.depth = in.i32(at + track_record::kDepth);
    t.packetSize = in.u32(at + track_record::kPacketSize);
    t.partitionStart = in.i32(at + track_record::kPartitionStart);
    t.selected = in.i32(at + track_record::kSelected);
    t.flags = in.u32(at + track_record::kFlags);
    t.trackModeByte = in.u8(at + track_record::kTrackModeByte);
    t.dataModeByte = in.u8(at + track_record::kDataModeByte);
    t.session = in.u8(at + track_record::kSession);
    t.track = in.u8(at + track_record::kTrack);
    t.control = in.u8(at + track_record::kControl);
    t.udfStatus = in.u8(at + track_record::kUdfStatus);
    loaded.root = in.i32(at + track_record::kRoot);
    return loaded;
}

bool InRange(std::int32_t link, std::size_t count) {
    return link == kNoEntry || (link >= 0 && static_cast<std::size_t>(link) < count);
}

// The node record at `at`, which ends with its name's NUL or its note's
// (padded to 4 bytes) before `limit`; an error text when it is damaged.
// Its length comes from its own fields, so the records may lie in any
// order, whatever the order of the entry table.
std::variant<LoadedNode, std::string> ReadNodeRecord(const ByteReader& in, std::size_t index,
                                                     std::size_t at, std::size_t limit) {
    const std::size_t bytes = limit - at;
    LoadedNode node;
    node.fileOffset = static_cast<std::uint32_t>(at);
    node.next = in.i32(at + node_record::kNext);
    node.previous = in.i32(at + node_record::kPrevious);
    node.firstChild = in.i32(at + node_record::kFirstChild);
    node.parent = in.i32(at + node_record::kParent);
    node.track = in.i32(at + node_record::kTrack);
    node.reserved1 = in.u32(at + node_record::kReserved1);
    node.startBlock = in.i32(at + node_record::kStartBlock);
    node.size = in.u32(at + node_record::kSize);
    node.count = in.u32(at + node_record::kCount);
    node.extentsWord = in.u32(at + node_record::kExtents);
    node.reserved2 = in.u32(at + node_record::kReserved2);
    node.flags = in.u16(at + node_record::kFlags);
    for (std::size_t i = 0; i < node.recordingDate.size(); ++i) {
        node.recordingDate[i] = in.u8(at + node_record::kRecordingDate + i);
    }
    std::optional<std::string> name = in.text(at + node_record::kName, at + bytes);
    if (!name) {
        return Numbered("The name does not end in entry", index);
    }
    node.name = std::move(*name);
    std::size_t used = node_record::kName + node.name.size() + 1;
    const std::uint32_t noteAt = in.u32(at + node_record::kNote);
    if (noteAt != 0) {
        std::optional<std::string> note;
        if (noteAt >= used && noteAt < bytes) {
            note = in.text(at + noteAt, at + bytes);
        }
        if (!note) {
            return Numbered("The note lies outside entry", index);
        }
        used = noteAt + note->size() + 1;
        node.note = std::move(note);
    }
    node.recordBytes = static_cast<std::uint32_t>((used + 3) & ~std::size_t{3});
    return node;
}

// Records may lie in any order, but none may run into another: a name
// whose NUL was lost would otherwise take the next record's bytes.
std::optional<std::string> CheckRecordsApart(const std::vector<LoadedNode>& nodes) {
    std::vector<std::size_t> order(nodes.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&nodes](std::size_t a, std::size_t b) {
        return nodes[a].fileOffset != nodes[b].fileOffset
                   ? nodes[a].fileOffset < nodes[b].fileOffset
                   : a < b;
    });
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        const LoadedNode& node = nodes[order[k]];
        if (std::uint64_t{node.fileOffset} + node.recordBytes > nodes[order[k + 1]].fileOffset) {
            return Numbered("Entry", order[k]) + " runs into " + Numbered("entry", order[k + 1]) +
                   ".";
        }
    }
    return std::nullopt;
}

// Deeper trees than any disc holds are refused: the panes and the tree
// functions walk directories recursively.
constexpr std::size_t kMaxTreeDepth = 1000;

// Every node must be reached exactly once from the track roots, through
// first-child and next links whose parent and previous links agree: then
// the nodes form one tree per root and no walk over them can loop. Every
// node of a tree belongs to its root's track, whose record outlives it.
std::optional<std::string> CheckTrees(const LoadedTreeFile& file) {
    const auto& nodes = file.nodes;
    std::vector<bool> seen(nodes.size(), false);
    std::size_t reached = 0;
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        const std::int32_t root = file.tracks[t].root;
        if (root == kNoEntry) {
            continue;
        }
        const LoadedNode& r = nodes[static_cast<std::size_t>(root)];
        const std::int32_t track = static_cast<std::int32_t>(t);
        if (seen[static_cast<std::size_t>(root)] || r.parent != kNoEntry ||
            r.previous != kNoEntry || r.next != kNoEntry || r.track != track) {
            return Numbered("The tree of track record", t) + " is damaged.";
        }
        seen[static_cast<std::size_t>(root)] = true;
        ++reached;
        // Directories still to walk, with their depth below the root.
        std::vector<std::pair<std::int32_t, std::size_t>> directories{{root, 0}};
        while (!directories.empty()) {
            const auto [directory, depth] = directories.back();
            directories.pop_back();
            if (depth > kMaxTreeDepth) {
                return Numbered("The directories of track record", t) + " nest too deep.";
            }
            std::int32_t previous = kNoEntry;
            for (std::int32_t child = nodes[static_cast<std::size_t>(directory)].firstChild;
                 child != kNoEntry; child = nodes[static_cast<std::size_t>(child)].next) {
                const LoadedNode& c = nodes[static_cast<std::size_t>(child)];
                if (seen[static_cast<std::size_t>(child)] || c.parent != directory ||
                    c.previous != previous || c.track != track) {
                    return Numbered("The links of entry", static_cast<std::size_t>(child)) +
                           " are damaged.";
                }
                seen[static_cast<std::size_t>(child)] = true;
                ++reached;
                if (c.firstChild != kNoEntry) {
                    directories.emplace_back(child, depth + 1);
                }
                previous = child;
            }
        }
    }
    if (reached != nodes.size()) {
        return "Some entries belong to no track.";
    }
    return std::nullopt;
}

}  // namespace

std::variant<LoadedTreeFile, std::string> ParseTreeFile(std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    if (in.size() < kHeaderBytes) {
        return "The file is too short for a directory file.";
    }
    const std::uint64_t entryCount = in.u32(header::kEntryCount);
    const std::uint64_t trackCount = in.u32(header::kTrackCount);
    const std::uint64_t extentArea = in.u32(header::kExtentArea);
    const std::uint64_t tableAt = kHeaderBytes + trackCount * kTrackRecordBytes;
    const std::uint64_t nodesAt = tableAt + entryCount * kEntryBytes;
    if (nodesAt + entryCount * kNodeFixedBytes > in.size()) {
        return "The track or entry count is larger than the file holds.";
    }
    if (extentArea < nodesAt + entryCount * kNodeFixedBytes || extentArea > in.size()) {
        return "The extent list offset lies outside the file.";
    }

    LoadedTreeFile file;
    file.discSignature = in.u32(header::kDiscSignature);
    for (std::size_t t = 0; t < trackCount; ++t) {
        file.tracks.push_back(ReadTrackRecord(in, kHeaderBytes + t * kTrackRecordBytes));
        if (!InRange(file.tracks.back().root, entryCount)) {
            return Numbered("The root of track record", t) + " is not an entry.";
        }
    }
    for (std::size_t i = 0; i < entryCount; ++i) {
        const std::uint64_t at = in.u32(tableAt + i * kEntryBytes + 4);
        if (at < nodesAt || at + kNodeFixedBytes > extentArea) {
            return Numbered("The offset of entry", i) + " lies outside the entries.";
        }
        const std::uint64_t limit = std::min<std::uint64_t>(extentArea, at + kMaxNodeRecordBytes);
        auto node =
            ReadNodeRecord(in, i, static_cast<std::size_t>(at), static_cast<std::size_t>(limit));
        if (auto* problem = std::get_if<std::string>(&node)) {
            // A record that would end further on is too long, not damaged.
            if (limit < extentArea &&
                std::holds_alternative<LoadedNode>(ReadNodeRecord(
                    in, i, static_cast<std::size_t>(at), static_cast<std::size_t>(extentArea)))) {
                return Numbered("Entry", i) + " is larger than " +
                       std::to_string(kMaxNodeRecordBytes) + " bytes.";
            }
            return *problem + ".";
        }
        LoadedNode& n = std::get<LoadedNode>(node);
        if (!InRange(n.next, entryCount) || !InRange(n.previous, entryCount) ||
            !InRange(n.firstChild, entryCount) || !InRange(n.parent, entryCount) ||
            !InRange(n.track, trackCount)) {
            return Numbered("A link of entry", i) + " is out of range.";
        }
        if (n.track != kNoEntry &&
            OwnsExtentList(n.flags, file.tracks[static_cast<std::size_t>(n.track)].record.flags)) {
            const std::uint64_t listAt = extentArea + n.extentsWord;
            if (listAt + std::uint64_t{n.count} * kExtentPairBytes > in.size()) {
                return Numbered("The extent list of entry", i) + " lies outside the file.";
            }
            n.extents.resize(n.count);
            for (std::uint32_t e = 0; e < n.count; ++e) {
                const std::size_t pair = static_cast<std::size_t>(listAt) + e * kExtentPairBytes;
                n.extents[e] = {in.i32(pair), in.u32(pair + 4)};
            }
        }
        file.nodes.push_back(std::move(n));
    }
    if (auto problem = CheckRecordsApart(file.nodes)) {
        return *problem;
    }
    if (auto problem = CheckTrees(file)) {
        return *problem;
    }
    return file;
}

}  // namespace kel::diag::tree_file
