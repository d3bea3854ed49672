// The directory tree file: a disc's track list and trees saved and loaded
// back field for field, and files that are cut short, inconsistent or not
// ours refused with a message while the current disc stays as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/fs/treefile/directory_tree_file.h"
#include "diag/fs/treefile/tree_file_format.h"
#include "diag/fs/treefile/tree_file_reader.h"
#include "diag/fs/treefile/tree_file_writer.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

using tree_file::BuildTreeFile;
using tree_file::ParseTreeFile;

class TreeFile : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseDiscInfo();
        SetMessageResponder([this](int id, std::uint16_t style, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            styles_.push_back(style);
            return answer_;
        });
        SetTreeFileDialog([this](const TreeFileDialogRequest& request) {
            requests_.push_back(request);
            return fileName_;
        });
        PaneHooks hooks;
        hooks.insertTreeNode = [this](FileNode& node) { inserted_.push_back(node.name); };
        SetPaneHooks(std::move(hooks));
        fileName_ = (folder_ / "disc.Morv").string();
    }
    void TearDown() override {
        ReleaseDiscInfo();
        SetMessageResponder({});
        SetTreeFileDialog({});
        SetPaneHooks({});
    }

    TrackInfo* AddTrack(std::uint8_t number, std::int32_t start, std::int32_t end,
                        std::uint32_t flags) {
        TrackInfo* t = NewTrackRecord();
        t->track = number;
        t->start = start;
        t->end = end;
        t->flags = flags;
        t->session = 1;
        t->control = number == kLeadOutTrack ? 0x10 : 0x14;
        AppendTrack(t);
        return t;
    }

    static FileNode* Add(FileNode* parent, TrackInfo* track, const std::string& name,
                         std::uint16_t flags, std::int32_t start, std::uint32_t size) {
        FileNode* node = NewFileNode(name, parent == nullptr, __FILE__, __LINE__);
        node->track = track;
        node->flags = flags;
        node->startBlock = start;
        node->size = size;
        node->recordingDate = {99, 12, 31, 23, 59, 58, 4};
        if (parent == nullptr) {
            track->root = node;
            return node;
        }
        node->parent = parent;
        FileNode** link = &parent->firstChild;
        FileNode* previous = nullptr;
        while (*link) {
            previous = *link;
            link = &(*link)->next;
        }
        *link = node;
        node->previous = previous;
        return node;
    }

    // An ISO track with a multi-extent file and a note, its HFS twin, an
    // audio track without a tree and the lead-out.
    void BuildDisc() {
        iso_ = AddTrack(1, 0, 20000, track_flags::kIso9660 | track_flags::kRockRidge);
        iso_->depth = 3;
        iso_->freeBlocks = 17;
        iso_->packetSize = 32;
        iso_->udfStatus = 'c';
        FileNode* root = Add(nullptr, iso_, "\\ KELDISC (Session 1)", 1, 22, 2048);
        root->count = 5;
        Add(root, iso_, std::string(1, '\0'), 1, 22, 2048);
        Add(root, iso_, std::string(1, '\1'), 1, 22, 2048);
        FileNode* docs = Add(root, iso_, "DOCS", 1, 30, 2048);
        docs->count = 2;
        FileNode* big = Add(docs, iso_, "BIG.DAT;1", node_flags::kExtentList, 40, 6000);
        big->count = 2;
        big->extents =
            static_cast<FileExtent*>(TrackedAlloc(2 * sizeof(FileExtent), __FILE__, __LINE__));
        big->extents[0] = {40, 4096};
        big->extents[1] = {900, 1904};
        Add(docs, iso_, "README.TXT;1", 0, 50, 12)->reserved2 = 77;
        Add(root, iso_, "LAST.TXT;1", 0, -1, 3);

        // The note lives in the node's block after the name.
        FileNode* noted = Add(root, iso_, std::string("NOTED;1\0a second text", 21), 0, 60, 1);
        noted->note = noted->name + 8;

        twin_ = AddTrack(1, 0, 20000, track_flags::kHfs | track_flags::kHfsTwin);
        FileNode* hfsRoot = Add(nullptr, twin_, "KELHFS (Session 1)", 1, 2, 0);
        hfsRoot->reserved1 = 2;
        FileNode* folder = Add(hfsRoot, twin_, "Folder", 1, 16, 0);
        folder->reserved1 = 16;
        // A number, not a list, in the extents field of a track that is no
        // ISO 9660 track.
        FileNode* udfLike = Add(folder, twin_, "Numbered", node_flags::kExtentList | 8, 5, 9);
        udfLike->extents = reinterpret_cast<FileExtent*>(std::uintptr_t{123456});
        AddTrack(2, 20000, 30000, 0)->control = 0x10;
        AddTrack(kLeadOutTrack, 30000, 0, 0);
    }

    // Every field of every record and node, links as names.
    static std::string Describe() {
        std::ostringstream out;
        auto name = [](const FileNode* n) {
            return n ? std::string(n->name, std::strlen(n->name)) : "-";
        };
        int index = 0;
        for (const TrackInfo* t = Tracks().first; t; t = t->next, ++index) {
            out << "track " << index << ": " << int(t->track) << ' ' << t->start << ' ' << t->end
                << ' ' << t->freeBlocks << ' ' << t->nextWritable << ' ' << t->depth << ' '
                << t->packetSize << ' ' << t->partitionStart << ' ' << t->selected << ' '
                << t->flags << ' ' << int(t->trackModeByte) << ' ' << int(t->dataModeByte) << ' '
                << int(t->session) << ' ' << int(t->control) << ' ' << int(t->udfStatus) << ' '
                << (t->prev ? "p" : "-") << (t->next ? "n" : "-") << '\n';
            std::vector<const FileNode*> pending;
            if (t->root) {
                pending.push_back(t->root);
            }
            while (!pending.empty()) {
                const FileNode* n = pending.back();
                pending.pop_back();
                int trackIndex = 0;
                for (const TrackInfo* u = Tracks().first; u && u != n->track; u = u->next) {
                    ++trackIndex;
                }
                out << "  [" << name(n) << "] next=" << name(n->next)
                    << " prev=" << name(n->previous) << " child=" << name(n->firstChild)
                    << " parent=" << name(n->parent) << " track=" << trackIndex
                    << " r1=" << n->reserved1 << " r2=" << n->reserved2
                    << " start=" << n->startBlock << " size=" << n->size << " count=" << n->count
                    << " flags=" << n->flags << " note=" << (n->note ? n->note : "-") << " date=";
                for (auto b : n->recordingDate) {
                    out << int(b) << '.';
                }
                if (n->flags & node_flags::kExtentList) {
                    if (n->track->flags & track_flags::kIso9660) {
                        for (std::uint32_t e = 0; e < n->count; ++e) {
                            out << " ext " << n->extents[e].start << '/' << n->extents[e].length;
                        }
                    } else {
                        out << " word " << reinterpret_cast<std::uintptr_t>(n->extents);
                    }
                }
                out << '\n';
                for (const FileNode* c = n->firstChild; c; c = c->next) {
                    pending.push_back(c);
                }
            }
        }
        return out.str();
    }

    std::vector<std::uint8_t> SavedBytes() {
        const auto image = BuildTreeFile(Tracks());
        EXPECT_TRUE(image.problem.empty());
        return image.bytes;
    }
    void WriteFile(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(fileName_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static std::string ParseProblem(const std::vector<std::uint8_t>& bytes) {
        auto parsed = ParseTreeFile(bytes);
        return std::holds_alternative<std::string>(parsed) ? std::get<std::string>(parsed) : "";
    }

    test::TempFolder folder_;
    std::string fileName_;
    int answer_ = answer::kYes;
    std::vector<int> messages_;
    std::vector<std::string> texts_;
    std::vector<std::uint16_t> styles_;
    std::vector<TreeFileDialogRequest> requests_;
    std::vector<std::string> inserted_;
    TrackInfo* iso_ = nullptr;
    TrackInfo* twin_ = nullptr;
};

TEST_F(TreeFile, SaveAndLoadGiveBackEveryField) {
    BuildDisc();
    const std::string before = Describe();
    SaveDirectoryTree();
    ASSERT_TRUE(messages_.empty()) << texts_.front();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(requests_[0].save);
    EXPECT_EQ(requests_[0].title, "Save Directory Information");
    EXPECT_EQ(requests_[0].filter, "Quillon directory (*.Morv)");
    EXPECT_EQ(requests_[0].defaultSuffix, "Morv");

    const TrackInfo* oldFirst = Tracks().first;
    LoadDirectoryTree();
    ASSERT_TRUE(messages_.empty()) << texts_.front();
    EXPECT_FALSE(requests_[1].save);
    EXPECT_NE(Tracks().first, oldFirst) << "new records";
    EXPECT_EQ(Describe(), before);
    // Each root, then its directories depth first, without . and ..
    EXPECT_EQ(inserted_, (std::vector<std::string>{"\\ KELDISC (Session 1)", "DOCS",
                                                   "KELHFS (Session 1)", "Folder"}));
}

TEST_F(TreeFile, EntriesFollowTheTreeAndLinksAreIndexes) {
    BuildDisc();
    const auto bytes = SavedBytes();
    auto parsed = ParseTreeFile(bytes);
    ASSERT_TRUE(std::holds_alternative<tree_file::LoadedTreeFile>(parsed))
        << std::get<std::string>(parsed);
    const auto& file = std::get<tree_file::LoadedTreeFile>(parsed);
    std::vector<std::string> names;
    for (const auto& node : file.nodes) {
        names.push_back(node.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"\\ KELDISC (Session 1)", "KELHFS (Session 1)", "",
                                               "\1", "DOCS", "BIG.DAT;1", "README.TXT;1",
                                               "LAST.TXT;1", "NOTED;1", "Folder", "Numbered"}));
    EXPECT_EQ(file.tracks[0].root, 0);
    EXPECT_EQ(file.tracks[1].root, 1);
    EXPECT_EQ(file.tracks[2].root, -1);
    EXPECT_EQ(file.nodes[4].parent, 0);
    EXPECT_EQ(file.nodes[4].firstChild, 5);
    EXPECT_EQ(file.nodes[10].track, 1) << "the twin keeps its own record";
    EXPECT_EQ(bytes.size() % 4, 0u);
}

TEST_F(TreeFile, DiscSignatureCountsRecordsAndBase13Digits) {
    AddTrack(1, 0, 500, 0);     // 500 = 2 12 6 in base 13
    AddTrack(2, 600, 1200, 0);  // 600 = 3 7 2
    EXPECT_EQ(tree_file::DiscSignature(Tracks()), (2u << 24) | 32u);
    AddTrack(kLeadOutTrack, 1200, 0, 0);  // -1200 = -(7 1 4)
    EXPECT_EQ(tree_file::DiscSignature(Tracks()), (3u << 24) | 20u);
}

TEST_F(TreeFile, NothingToSaveAndUncreatableFiles) {
    AddTrack(1, 0, 100, 0);
    SaveDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{181});
    EXPECT_TRUE(requests_.empty());

    BuildDisc();
    messages_.clear();
    fileName_ = (folder_ / "missing" / "x.Morv").string();
    SaveDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{131});
    EXPECT_EQ(texts_.back().rfind("Error creating file \"" + fileName_ + "\"\n", 0), 0u);

    messages_.clear();
    fileName_.clear();  // cancelled
    SaveDirectoryTree();
    LoadDirectoryTree();
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TreeFile, NameTooLongForTheFormatIsAWriteErrorAndNoFile) {
    BuildDisc();
    Add(iso_->root, iso_, std::string(600, 'N'), 0, 1, 1);
    SaveDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{132});
    EXPECT_FALSE(std::filesystem::exists(fileName_));
}

TEST_F(TreeFile, OtherDiscAsksFirstAndNoKeepsTheDisc) {
    BuildDisc();
    SaveDirectoryTree();
    ReleaseDiscInfo();
    AddTrack(1, 0, 777, 0);
    const TrackInfo* current = Tracks().first;

    answer_ = answer::kNo;
    LoadDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{244});
    EXPECT_EQ(styles_.back(), style::kYesNo | style::kSecondDefault);
    EXPECT_EQ(Tracks().first, current);

    answer_ = answer::kYes;
    LoadDirectoryTree();
    EXPECT_EQ(messages_, (std::vector<int>{244, 244}));
    ASSERT_NE(Tracks().first, current);
    EXPECT_EQ(Tracks().first->end, 20000);
}

TEST_F(TreeFile, DamagedFilesAreRefusedWithTheirReason) {
    BuildDisc();
    const std::vector<std::uint8_t> good = SavedBytes();
    ASSERT_EQ(ParseProblem(good), "");
    using tree_file::kHeaderBytes;
    using tree_file::kTrackRecordBytes;
    const std::size_t table = kHeaderBytes + 4 * kTrackRecordBytes;
    const std::size_t node0 = good[table + 4] | good[table + 5] << 8;
    const std::size_t node2 = good[table + 20] | good[table + 21] << 8;

    struct Damage {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> apply;
        const char* problem;
    };
    auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    const Damage damages[] = {
        {"empty", [](auto& b) { b.clear(); }, "The file is too short for a directory file."},
        {"header only", [](auto& b) { b.resize(kHeaderBytes); },
         "The track or entry count is larger than the file holds."},
        {"cut in the extent lists", [](auto& b) { b.resize(b.size() - 10); },
         "The extent list of entry 5 lies outside the file."},
        {"extent lists beyond the end", [&](auto& b) { put32(b, 12, 0x7FFFFFFF); },
         "The extent list offset lies outside the file."},
        {"huge entry count", [&](auto& b) { put32(b, 0, 0x10000000); },
         "The track or entry count is larger than the file holds."},
        {"huge track count", [&](auto& b) { put32(b, 4, 0xFFFFFFFF); },
         "The track or entry count is larger than the file holds."},
        {"root not an entry", [&](auto& b) { put32(b, kHeaderBytes + 36, 11); },
         "The root of track record 0 is not an entry."},
        {"offset before the nodes", [&](auto& b) { put32(b, table + 4, 8); },
         "The offset of entry 0 lies outside the entries."},
        {"offset of entry 5 before the nodes", [&](auto& b) { put32(b, table + 5 * 8 + 4, 8); },
         "The offset of entry 5 lies outside the entries."},
        {"two entries on one record", [&](auto& b) { put32(b, table + 12, node0); },
         "Entry 0 runs into entry 1."},
        {"next link out of range", [&](auto& b) { put32(b, node0, 11); },
         "A link of entry 0 is out of range."},
        {"track out of range", [&](auto& b) { put32(b, node0 + 16, 4); },
         "A link of entry 0 is out of range."},
        {"name without its NUL",
         [&](auto& b) { std::fill(b.begin() + node0 + 104, b.begin() + node0 + 128, 'x'); },
         "Entry 0 runs into entry 1."},
        {"name without a NUL up to the extent lists",
         [&](auto& b) { std::fill(b.begin() + node2 + 104, b.end(), 'x'); },
         "The name does not end in entry 2."},
        {"note outside the record", [&](auto& b) { put32(b, node0 + 24, 4000); },
         "The note lies outside entry 0."},
        {"root linked to a sibling", [&](auto& b) { put32(b, node0, 1); },
         "The tree of track record 0 is damaged."},
        {"child claiming another parent", [&](auto& b) { put32(b, node0 + 8, 9); },
         "The links of entry 9 are damaged."},
        {"root on another track", [&](auto& b) { put32(b, node0 + 16, 1); },
         "The tree of track record 0 is damaged."},
        {"entry on another track's record", [&](auto& b) { put32(b, node2 + 16, 1); },
         "The links of entry 2 are damaged."},
        {"orphaned subtree", [&](auto& b) { put32(b, node0 + 8, -1); },
         "Some entries belong to no track."},
    };
    for (const Damage& d : damages) {
        std::vector<std::uint8_t> bytes = good;
        d.apply(bytes);
        EXPECT_EQ(ParseProblem(bytes), d.problem) << d.what;
    }
}

TEST_F(TreeFile, LoopsAndOversizedRecordsAreRefused) {
    BuildDisc();
    std::vector<std::uint8_t> bytes = SavedBytes();
    auto parsed = std::get<tree_file::LoadedTreeFile>(ParseTreeFile(bytes));
    // DOCS (entry 4) names its own previous sibling as its next: a loop.
    const std::size_t docs = parsed.nodes[4].fileOffset;
    for (int i = 0; i < 4; ++i) {
        bytes[docs + i] = static_cast<std::uint8_t>(3 >> (8 * i));
    }
    EXPECT_EQ(ParseProblem(bytes), "The links of entry 3 are damaged.");

    // A record longer than a reader takes: its name ends only far on.
    bytes = SavedBytes();
    const std::size_t name = parsed.nodes[0].fileOffset + tree_file::node_record::kName;
    ASSERT_GT(bytes.size(), name + 600);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(name),
              bytes.begin() + static_cast<std::ptrdiff_t>(name + 600), 'x');
    EXPECT_EQ(ParseProblem(bytes), "Entry 0 is larger than 616 bytes.");
}

TEST_F(TreeFile, RecordsAreReadWhereTheirOwnOffsetsSayInAnyOrder) {
    BuildDisc();
    const std::vector<std::uint8_t> good = SavedBytes();
    const auto parsed = std::get<tree_file::LoadedTreeFile>(ParseTreeFile(good));
    // The same records laid out back to front, the table still in entry order.
    std::vector<std::uint8_t> bytes = good;
    const std::size_t table = tree_file::kHeaderBytes + 4 * tree_file::kTrackRecordBytes;
    std::size_t at = parsed.nodes.front().fileOffset;
    for (std::size_t i = parsed.nodes.size(); i-- > 0;) {
        const tree_file::LoadedNode& node = parsed.nodes[i];
        std::copy_n(good.begin() + node.fileOffset, node.recordBytes, bytes.begin() + at);
        for (int k = 0; k < 4; ++k) {
            bytes[table + i * 8 + 4 + k] = static_cast<std::uint8_t>(at >> (8 * k));
        }
        at += node.recordBytes;
    }
    ASSERT_EQ(at, parsed.nodes.back().fileOffset + parsed.nodes.back().recordBytes);
    const auto reordered = ParseTreeFile(bytes);
    ASSERT_TRUE(std::holds_alternative<tree_file::LoadedTreeFile>(reordered))
        << std::get<std::string>(reordered);
    const auto& nodes = std::get<tree_file::LoadedTreeFile>(reordered).nodes;
    ASSERT_EQ(nodes.size(), parsed.nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i].name, parsed.nodes[i].name) << i;
        EXPECT_EQ(nodes[i].note, parsed.nodes[i].note) << i;
        EXPECT_EQ(nodes[i].parent, parsed.nodes[i].parent) << i;
        EXPECT_EQ(nodes[i].size, parsed.nodes[i].size) << i;
    }
}

TEST_F(TreeFile, TreesNestedTooDeepAreRefused) {
    TrackInfo* track = AddTrack(1, 0, 100, track_flags::kHfs);
    FileNode* directory = Add(nullptr, track, "Deep (Session 1)", 1, 2, 0);
    for (int level = 0; level < 1005; ++level) {
        directory = Add(directory, track, "D", 1, level, 0);
    }
    EXPECT_EQ(ParseProblem(SavedBytes()), "The directories of track record 0 nest too deep.");
}

TEST_F(TreeFile, DamagedFileLeavesTheCurrentDisc) {
    BuildDisc();
    std::vector<std::uint8_t> bytes = SavedBytes();
    bytes.resize(bytes.size() / 2);
    WriteFile(bytes);
    const TrackInfo* current = Tracks().first;
    const std::string before = Describe();
    LoadDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{245});
    EXPECT_EQ(texts_.back().rfind("Error reading file " + fileName_ + "\n", 0), 0u);
    EXPECT_EQ(Tracks().first, current);
    EXPECT_EQ(Describe(), before);

    messages_.clear();
    fileName_ = (folder_ / "absent.Morv").string();
    LoadDirectoryTree();
    EXPECT_EQ(messages_, std::vector<int>{101});
}

}  // namespace
}  // namespace kel::diag
