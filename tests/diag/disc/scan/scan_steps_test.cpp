// The scan's steps on track lists and trees built by hand: how far a tree
// reaches, the implicit track, packet marking, the placeholder nodes and
// the volume names shown in the title and the table of contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "diag/device/device_access.h"
#include "diag/disc/scan/placeholder_nodes.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/disc/scan/track_trees.h"
#include "diag/disc/scan/volume_names.h"
#include "diag/fs/udf/udf_reader.h"
#include "hand_built_list.h"
#include "tests/diag/support/memory_device.h"

namespace kel::diag::testing {
namespace {

using MeasureFileTreeTest = HandBuiltList;

TEST_F(MeasureFileTreeTest, EndIsTheBlockBehindTheFurthestEntryAndDepthTheDeepestLevel) {
    TrackInfo* track = add(1, kData, 0, 5000);
    FileNode* root = node(*track, nullptr, "\\ DATA (Session 1)", 18, 2048, true);
    node(*track, root, "A.TXT;1", 100, 4096);
    FileNode* dir1 = node(*track, root, "DIR1", 20, 2048, true);
    node(*track, dir1, "B.TXT;1", 200, 1);
    FileNode* dir2 = node(*track, dir1, "DIR2", 30, 2048, true);
    node(*track, dir2, "C.TXT;1", 150, 0);
    node(*track, dir2, "MISSING.TXT;1", -1, 0x7FFFFFFF);
    node(*track, root, "EMPTY", 40, 2048, true);

    MeasureFileTree(*track);
    EXPECT_EQ(track->end, 201);
    EXPECT_EQ(track->depth, 3) << "an empty directory adds no level";
}

TEST_F(MeasureFileTreeTest, HugeFileDoesNotWrapTheEnd) {
    TrackInfo* track = add(1, kData, 0, 5000);
    FileNode* root = node(*track, nullptr, "\\ BIG (Session 1)", 18, 2048, true);
    node(*track, root, "BIG.BIN;1", 300000, 0xFFFFFFFF);
    MeasureFileTree(*track);
    EXPECT_EQ(track->end, 5000) << "nothing behind the track: its own end is the disc's";
    EXPECT_EQ(track->depth, 1);
}

// A damaged ISO or UDF length (0xFFFFFFF0 bytes) must not carry the end
// past the disc; a continuation belongs to the track's volume.
TEST_F(MeasureFileTreeTest, EndStopsAtTheNextRecordOfAnotherVolume) {
    TrackInfo* track = add(1, kData, 0, 182);
    add(0xAA, kData, 182);
    FileNode* root = node(*track, nullptr, "\\ HURT (Session 1)", 18, 2048, true);
    node(*track, root, "BAD.BIN;1", 20, 0xFFFFFFF0);
    MeasureFileTree(*track);
    EXPECT_EQ(track->end, 182) << "the lead-out";

    FreeTrackRecords();
    track = add(1, kData, 0, 1000);
    TrackInfo* continuation = add(2, kData, 1000, 3000);
    continuation->flags = track_flags::kContinuation;
    add(3, kAudio, 14400, 20000);
    add(0xAA, kData, 20000);
    root = node(*track, nullptr, "\\ LONG (Session 1)", 18, 2048, true);
    node(*track, root, "BAD.BIN;1", 20, 0xFFFFFFF0);
    MeasureFileTree(*track);
    EXPECT_EQ(track->end, 14400) << "past the continuation, up to the next track";
}

TEST_F(MeasureFileTreeTest, TrackWithoutTreeEndsAtZero) {
    TrackInfo* track = add(1, kData, 0, 5000);
    track->depth = 4;
    MeasureFileTree(*track);
    EXPECT_EQ(track->end, 0);
    EXPECT_EQ(track->depth, 0);
}

using TrackListSetupTest = HandBuiltList;

// A data first track warns of the data track assumed in front of it; in
// front of an audio first track lies its pregap, audio as well.
TEST_F(TrackListSetupTest, FirstTrackAtBlock150GetsAnImplicitTrackInFront) {
    struct Case {
        std::uint8_t control;
        std::uint8_t implicitControl;
        bool warned;
    };
    for (const Case& c : {Case{kData, 0x14, true}, Case{kAudio, 0x10, false}}) {
        SCOPED_TRACE(int{c.control});
        FreeTrackRecords();
        messages_.clear();
        TrackInfo* first = add(1, c.control, 150, 1000);
        TrackInfo* leadOut = add(0xAA, kData, 900);
        AddImplicitTrack();

        if (c.warned) {
            ASSERT_EQ(messageIds(), std::vector<int>{203});
            EXPECT_NE(messageText(0).find("from block 0 to block 149."), std::string::npos);
        } else {
            EXPECT_TRUE(messageIds().empty());
        }
        TrackInfo* implicit = Tracks().first;
        ASSERT_NE(implicit, first);
        EXPECT_EQ(implicit->track, 0);
        EXPECT_EQ(implicit->start, 0);
        EXPECT_EQ(implicit->end, 150);
        EXPECT_EQ(implicit->control, c.implicitControl);
        EXPECT_EQ(implicit->session, 1);
        EXPECT_EQ(implicit->flags, track_flags::kImplicitFromBlockZero);
        EXPECT_EQ(implicit->prev, nullptr);
        EXPECT_EQ(implicit->next, first);
        EXPECT_EQ(first->prev, implicit);
        EXPECT_EQ(leadOut->start, 1000) << "the lead-out moves up to its predecessor's end";
    }
}

// An open session seen behind the lead-out has no end of its own to give
// the lead-out: the lead-out keeps the TOC's start.
TEST_F(TrackListSetupTest, RecordBehindTheLeadOutLeavesItsStart) {
    add(1, kData, 0, 184);
    TrackInfo* open = add(2, kData, 11648, kDefaultEnd);
    open->flags = track_flags::kOpen;
    TrackInfo* leadOut = add(0xAA, kData, 248, 11648);
    AddImplicitTrack();
    EXPECT_EQ(leadOut->start, 248);
}

// The implicit track is the program's guess: looking for a file system on
// it shows no drive error, while the first track's own reads are not quiet.
TEST_F(TrackListSetupTest, FileSystemOfTheImplicitTrackIsLookedForQuietly) {
    MemoryDevice drive(1000);
    SetCurrentDevice(&drive);
    TrackInfo* implicit = add(0, kData, 0, 150);
    implicit->flags = track_flags::kImplicitFromBlockZero;
    add(1, kData, 150, 1000);
    add(0xAA, kData, 1000);
    ScanTracks();
    SetCurrentDevice(nullptr);
    // Each track's volume descriptor block, 16 blocks into the track.
    const auto quietAt = [&drive](std::uint32_t block) {
        const auto at = std::find(drive.reads.begin(), drive.reads.end(), block);
        EXPECT_NE(at, drive.reads.end()) << block;
        return at != drive.reads.end() &&
               drive.quietReads[static_cast<std::size_t>(at - drive.reads.begin())];
    };
    EXPECT_TRUE(quietAt(16));
    EXPECT_FALSE(quietAt(166));
    EXPECT_EQ(drive.quiet, 0) << "quiet again afterwards";
    EXPECT_STREQ(implicit->root->name, "Unknown data track, 150 blocks");
}

TEST_F(TrackListSetupTest, ImplicitTrackTakesTheDiscWideBitsOfTheFirstRecord) {
    TrackInfo* audio = add(1, kAudio, 150, 1000);
    audio->flags = track_flags::kCdRomXa | track_flags::kErasable | track_flags::kOpen;
    add(0xAA, kData, 1000);
    AddImplicitTrack();
    EXPECT_EQ(Tracks().first->flags,
              track_flags::kImplicitFromBlockZero | track_flags::kCdRomXa | track_flags::kErasable);
}

TEST_F(TrackListSetupTest, DiscStartingAtBlockZeroIsLeftAlone) {
    TrackInfo* data = add(1, kData, 0, 1000);
    add(0xAA, kData, 1000);
    AddImplicitTrack();
    EXPECT_TRUE(messageIds().empty());
    EXPECT_EQ(Tracks().first, data);
}

TEST_F(TrackListSetupTest, IncrementalDataTracksCountAsPacketWrittenOnlyWhenNothingSaysSo) {
    add(1, kData, 0, 1000);
    TrackInfo* incremental = add(2, 0x15, 1000, 2000);
    TrackInfo* emphasis = add(3, 0x11, 2000, 3000);
    TrackInfo* leadOut = add(0xAA, 0x15, 3000);
    MarkPacketTracks();
    EXPECT_EQ(Tracks().first->flags & track_flags::kPacket, 0u);
    EXPECT_NE(incremental->flags & track_flags::kPacket, 0u);
    EXPECT_EQ(emphasis->flags & track_flags::kPacket, 0u) << "audio with pre-emphasis";
    EXPECT_EQ(leadOut->flags & track_flags::kPacket, 0u);
}

TEST_F(TrackListSetupTest, AudioWithPreEmphasisFirstLeavesIncrementalDataToBeMarked) {
    TrackInfo* emphasis = add(1, 0x11, 0, 1000);
    TrackInfo* incremental = add(2, 0x15, 12400, 13000);
    MarkPacketTracks();
    EXPECT_EQ(emphasis->flags, 0u);
    EXPECT_EQ(incremental->flags, track_flags::kPacket);
}

TEST_F(TrackListSetupTest, PacketMarkingKeepsAListThatAlreadyNamesOrStartsIncremental) {
    TrackInfo* first = add(1, 0x15, 0, 1000);
    TrackInfo* second = add(2, 0x15, 1000, 2000);
    MarkPacketTracks();
    EXPECT_EQ(first->flags, 0u) << "first track recorded incrementally";
    EXPECT_EQ(second->flags, 0u);

    first->control = kData;
    first->flags = track_flags::kPacket;
    MarkPacketTracks();
    EXPECT_EQ(second->flags, 0u) << "the drive already named the packet tracks";
}

class DuplicatePassTest : public HandBuiltList {
protected:
    // A UDF track read without its allocation information, whose block scan
    // found an entry that describes no data.
    FileNode* udfTrackWithEmptyFind(TrackInfo& track) {
        track.flags = track_flags::kUdf | track_flags::kUdfAllocationNotFound;
        FileNode* root = node(track, nullptr, "\\ UDF (Session 1)", 300, 2048, true);
        node(track, root, "KEPT.TXT", track.start + 400, 10);
        FileNode* found = node(track, root, "FOUND.TXT", -1, 10);
        found->flags = udf_node_flags::kFoundByScan;
        return root;
    }
};

TEST_F(DuplicatePassTest, RunsOverAllTreesWhenTwoUdfTracksLackTheirAllocation) {
    FileNode* first = udfTrackWithEmptyFind(*add(1, kData, 0, 1000));
    FileNode* second = udfTrackWithEmptyFind(*add(2, kData, 1000, 2000));
    RemoveUdfDuplicates();
    for (FileNode* root : {first, second}) {
        ASSERT_NE(root->firstChild, nullptr);
        EXPECT_STREQ(root->firstChild->name, "KEPT.TXT");
        EXPECT_EQ(root->firstChild->next, nullptr);
    }
}

TEST_F(DuplicatePassTest, OneSuchTrackIsLeftAsRead) {
    FileNode* root = udfTrackWithEmptyFind(*add(1, kData, 0, 1000));
    add(2, kData, 1000, 2000)->flags = track_flags::kUdf;
    RemoveUdfDuplicates();
    ASSERT_NE(root->firstChild, nullptr);
    EXPECT_NE(root->firstChild->next, nullptr);
}

using PlaceholderNodeTest = HandBuiltList;

TEST_F(PlaceholderNodeTest, NodesNameTheirTracksAndReachTheTreePane) {
    // 1 minute, 5 seconds and 10 frames up to the next track.
    TrackInfo* audio = add(1, kAudio, 150, 5035);
    TrackInfo* unknown = add(2, kData, 150 + 4500 + 5 * 75 + 10, 5335);
    TrackInfo* leadOut = add(0xAA, kData, 20000);

    AddAudioNode(*audio);
    AddUnknownDataNode(*unknown);
    AddLeadOutNode(*leadOut);

    ASSERT_NE(audio->root, nullptr);
    EXPECT_STREQ(audio->root->name, "Audio 1.05");
    EXPECT_STREQ(unknown->root->name, "Unknown data track, 300 blocks");
    EXPECT_STREQ(leadOut->root->name, "Lead Out at 20000");
    for (TrackInfo* track : {audio, unknown, leadOut}) {
        EXPECT_EQ(track->root->track, track);
        EXPECT_EQ(track->root->startBlock, 0) << "the tree pane shows start block 0";
        EXPECT_EQ(track->root->flags, 0);
    }
    EXPECT_EQ(inserted_, (std::vector<FileNode*>{audio->root, unknown->root, leadOut->root}));
}

TEST_F(PlaceholderNodeTest, LastAudioTrackHasNoLengthAndAnExistingRootStays) {
    TrackInfo* audio = add(1, kAudio, 150);
    AddAudioNode(*audio);
    ASSERT_NE(audio->root, nullptr);
    EXPECT_STREQ(audio->root->name, "Audio 0.00");

    FileNode* first = audio->root;
    AddAudioNode(*audio);
    EXPECT_EQ(audio->root, first);
    EXPECT_EQ(inserted_.size(), 1u);
}

TEST(VolumeNames, TitleLabelDropsTheMarkerAndTheSession) {
    const auto label = [](std::string name) {
        FileNode node;
        node.name = name.data();
        return TitleLabel(node);
    };
    EXPECT_EQ(label("\\ DATA (Session 1)"), "DATA");
    EXPECT_EQ(label("\\ A(B) (Session 2)"), "A(B)");
    EXPECT_EQ(label("\\ (Session 1)"), "");
    EXPECT_EQ(label("\\ NOSESSION"), "NOSESSION");
    EXPECT_EQ(label("\\"), "");
    EXPECT_EQ(label("Macintosh HD (Session 1)"), "Macintosh HD");
    EXPECT_EQ(label("\\ " + std::string(60, 'X') + " (Session 1)"), std::string(32, 'X'))
        << "the label text holds 32 characters";
}

TEST(VolumeNames, TocVolumeIsCutToThirtyOneCharactersBeforeLookingForTheSession) {
    const auto volume = [](std::string name) {
        FileNode node;
        node.name = name.data();
        return TocVolumeName(node);
    };
    EXPECT_EQ(volume("\\ DATA (Session 1)"), "DATA");
    EXPECT_EQ(volume("Audio 3.20"), "");
    EXPECT_EQ(volume("\\ " + std::string(40, 'X') + " (Session 1)"), std::string(31, 'X'));
    EXPECT_EQ(volume("\\ " + std::string(29, 'X') + "(Session 1)"), std::string(28, 'X'));
}

}  // namespace
}  // namespace kel::diag::testing
