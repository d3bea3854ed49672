// The track list of discs built by mkdisc, read through the emulated drive
// in the scan's order: TOC, then the standard track information or the
// older form, or disc information alone when the TOC cannot be read. The
// expected places come from mkdisc's own plan of each disc.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/spti_device.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_steps.h"
#include "diag/fs/file_node.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using testing::NoWaitClock;

constexpr std::uint8_t kAudio = 0x00;
constexpr std::uint8_t kDataMode = 0x04;

class EmulatedDiscs : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        SetTrackInfoWaitClock(std::make_shared<NoWaitClock>());
        if (!kel::test::haveProgram("xorriso")) {
            GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
        }
    }
    void TearDown() override {
        ReleaseDiscInfo();
        SetCurrentDevice(nullptr);
        device_.reset();
        SetTrackInfoWaitClock(nullptr);
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Builds the recipe and puts the disc into drive D:.
    void insert(const std::string& recipe) {
        const auto built = testing::BuildDisc(recipe, folder_ / "disc.recipe", folder_ / "out");
        ASSERT_TRUE(built) << "mkdisc failed";
        plan_ = built->plan;
        device_ = testing::EmulatedDevice(built->descriptor);
        device_->messageCallback = [this](const DeviceMessage& message) {
            messages_.push_back(message.id);
            return MessageAnswer::Cancel;
        };
        device_->profile->errorCallback = device_->messageCallback;
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        SetCurrentDevice(device_.get());
    }

    // The track-list operations as the scan runs them.
    bool readTrackList() { return BuildTrackList(buffer_); }

    std::vector<const TrackInfo*> records() const {
        std::vector<const TrackInfo*> list;
        for (const TrackInfo* r = Tracks().first; r; r = r->next) {
            list.push_back(r);
        }
        return list;
    }

    const mkdisc::TrackPlacement& planned(std::size_t i) const { return plan_.tracks.at(i); }

    test::TempFolder folder_;
    mkdisc::DiscPlan plan_;
    std::unique_ptr<SptiDevice> device_;
    std::vector<int> messages_;
    std::array<std::uint8_t, kReplyBufferBytes> buffer_{};
};

const char* const kDataTrack = "[data]\nfile = DATA.BIN size=400000\n";

TEST_F(EmulatedDiscs, PressedDataDisc) {
    ASSERT_NO_FATAL_FAILURE(insert(std::string("[disc]\nname = rom\n") + kDataTrack));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->track, 1);
    EXPECT_EQ(list[0]->start, planned(0).start);
    EXPECT_EQ(list[0]->end, planned(0).end);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[0]->control, kDataMode) << "the track mode's nibble, ADR 0";
    EXPECT_EQ(list[0]->trackModeByte, 0x04);
    EXPECT_EQ(list[0]->dataModeByte, 0x01);
    EXPECT_EQ(list[0]->flags, 0u);
    EXPECT_EQ(list[1]->track, 0xAA);
    EXPECT_EQ(list[1]->start, plan_.leadOut);
    EXPECT_EQ(list[1]->session, 1);
    EXPECT_FALSE(DiscIsOpen(*list[1]));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedDiscs, PressedAudioDiscKeepsTheTocEnds) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = cdda\nlayout = audio\n"
               "[audio]\npregap = 2s\nlength = 10s\n"
               "[audio]\npregap = 2s\nlength = 8s\npre-emphasis = yes\n"
               "[audio]\nlength = 5s\ncopy = yes\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i]->start, planned(i).start) << i;
        EXPECT_EQ(list[i]->session, 1) << i;
    }
    EXPECT_EQ(list[0]->start, 150);
    EXPECT_EQ(list[0]->end, planned(1).start) << "the TOC's: the next track's start";
    EXPECT_EQ(list[1]->end, list[2]->start);
    EXPECT_EQ(list[2]->end, plan_.leadOut);
    EXPECT_EQ(list[0]->control, 0x10) << "a zero track mode leaves the TOC's control";
    EXPECT_EQ(list[1]->control, 0x01);
    EXPECT_EQ(list[2]->control, 0x02);
}

TEST_F(EmulatedDiscs, MixedModeDisc) {
    ASSERT_NO_FATAL_FAILURE(insert(std::string("[disc]\nname = mixed\nlayout = mixed\n") +
                                   kDataTrack + "[audio]\npregap = 2s\nlength = 10s\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->control & kDataMode, kDataMode);
    EXPECT_EQ(list[0]->end, planned(0).end);
    EXPECT_EQ(list[1]->control & kDataMode, kAudio);
    EXPECT_EQ(list[1]->start, planned(1).start);
    EXPECT_EQ(list[1]->end, plan_.leadOut);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 1);
}

TEST_F(EmulatedDiscs, CdExtraIsXaWithItsDataInSessionTwo) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = extra\nlayout = cd-extra\n"
               "[audio]\npregap = 2s\nlength = 10s\n[audio]\nlength = 160s\ntone = 0\n"
               "[session]\n[data]\nmode = 2\nfile = A.TXT text=extra\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]->flags & track_flags::kCdRomXa, track_flags::kCdRomXa);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 1);
    EXPECT_EQ(list[2]->session, 2);
    EXPECT_EQ(list[3]->session, 2);
    EXPECT_EQ(list[2]->start, planned(2).start);
    // Longer than one gap: the one gap between audio and data is taken once.
    EXPECT_EQ(list[1]->end, planned(2).start - kSessionGap) << "session 1's lead-out";
    EXPECT_EQ(list[1]->end, plan_.sessions[0].leadOut);
    EXPECT_EQ(list[2]->dataModeByte, 0x02);
}

TEST_F(EmulatedDiscs, AppendableTwoSessionCdR) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = two\nlayout = multi-session\nmedium = cd-r\nstate = appendable\n"
               "write-method = tao\n[data]\nvolume-id = ONE\nfile = A.BIN size=100000\n"
               "[session]\n[data]\nvolume-id = TWO\nfile = B.BIN size=50000\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 3u) << "the invisible track gets no record";
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[2]->session, 2);
    EXPECT_EQ(list[0]->end, planned(0).end);
    EXPECT_EQ(list[1]->start, planned(1).start);
    EXPECT_EQ(list[1]->end, planned(1).end);
    EXPECT_EQ(list[1]->flags, 0u) << "the disc may go on, its sessions are closed";
    // Where the next session's first track would start: behind session 2's
    // lead-out, the next lead-in and the pregap.
    EXPECT_EQ(list[2]->end, plan_.sessions[1].leadOut + 6900);
    EXPECT_TRUE(DiscIsOpen(*list[2]));
    EXPECT_TRUE(messages_.empty());
}

// Session 1's C0 entry follows its B0 entry in the full TOC.
TEST_F(EmulatedDiscs, AppendableSingleSessionCdRIsOpen) {
    ASSERT_NO_FATAL_FAILURE(insert(
        std::string("[disc]\nname = app\nmedium = cd-r\nstate = appendable\n") + kDataTrack));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->end, plan_.sessions[0].leadOut + 11400);
    EXPECT_TRUE(DiscIsOpen(*list[1]));
}

TEST_F(EmulatedDiscs, ClosedCdRAndErasableCdRw) {
    ASSERT_NO_FATAL_FAILURE(
        insert(std::string("[disc]\nname = closed\nmedium = cd-r\n") + kDataTrack));
    ASSERT_TRUE(readTrackList());
    auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->end, kClosedDiscMarker);
    EXPECT_FALSE(DiscIsOpen(*list[1]));
    EXPECT_EQ(list[0]->flags, 0u);
    ReleaseDiscInfo();

    ASSERT_NO_FATAL_FAILURE(
        insert(std::string("[disc]\nname = rw\nmedium = cd-rw\n") + kDataTrack));
    ASSERT_TRUE(readTrackList());
    list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->flags, track_flags::kErasable);
}

TEST_F(EmulatedDiscs, OpenPacketDiscWithoutTocComesFromTrackInformation) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = open\nmedium = cd-rw\nstate = open\nwrite-method = packet\n"
               "packet-size = 32\n[data]\nfile = A.BIN size=100000\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    const TrackInfo& open = *list[0];
    EXPECT_EQ(open.start, planned(0).start);
    EXPECT_EQ(open.nextWritable, plan_.nextWritable);
    EXPECT_EQ(open.end, plan_.nextWritable);
    EXPECT_GT(open.freeBlocks, 0);
    EXPECT_EQ(open.packetSize, 32u);
    EXPECT_EQ(open.dataModeByte & 0x30, 0x30);
    EXPECT_EQ(open.flags, track_flags::kPacket | track_flags::kOpen | track_flags::kErasable);
}

TEST_F(EmulatedDiscs, OpenSecondSessionIsAddedBehindTheFirst) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = open2\nlayout = multi-session\nmedium = cd-r\nstate = open\n"
               "[data]\nfile = A.BIN size=100000\n[session]\n[data]\nwrite-method = packet\n"
               "file = B.BIN size=50000\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->track, 2);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[1]->start, planned(1).start);
    EXPECT_EQ(list[1]->nextWritable, plan_.nextWritable);
    EXPECT_EQ(list[1]->flags & (track_flags::kPacket | track_flags::kOpen),
              track_flags::kPacket | track_flags::kOpen);
    EXPECT_EQ(list[2]->track, 0xAA);
}

TEST_F(EmulatedDiscs, BlankCdRIsOneBlankRecord) {
    ASSERT_NO_FATAL_FAILURE(insert("[disc]\nname = blank\nmedium = cd-r\nstate = blank\n"));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->flags & (track_flags::kBlank | track_flags::kOpen),
              track_flags::kBlank | track_flags::kOpen);
    EXPECT_EQ(list[0]->freeBlocks, 359849) << "up to the last possible lead-out, 79:59:74";
    EXPECT_EQ(list[0]->end, 359849) << "the blank record's end counts its free blocks";
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_STREQ(list[0]->root->name, "Blank disc (359849 free blocks)");
}

TEST_F(EmulatedDiscs, OlderDriveWithVendorTrackInformation) {
    ASSERT_NO_FATAL_FAILURE(insert(std::string("[disc]\nname = old\n[drive]\npersonality = scsi2\n"
                                               "vendor-track-info = yes\n") +
                                   kDataTrack));
    ASSERT_TRUE(readTrackList());
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->end, planned(0).end);
    EXPECT_EQ(list[0]->trackModeByte, 0x04);
    EXPECT_EQ(list[0]->dataModeByte, 0x01);
    EXPECT_EQ(list[0]->control, 0x04);
    EXPECT_FALSE(DiscIsOpen(*list[1]));
    EXPECT_EQ(device_->TrkInfo(), 0xE5);
}

TEST_F(EmulatedDiscs, OlderDriveWithoutTrackInformationIsRemembered) {
    ASSERT_NO_FATAL_FAILURE(
        insert(std::string("[disc]\nname = none\n[drive]\npersonality = scsi2\n") + kDataTrack));
    ASSERT_TRUE(readTrackList());
    EXPECT_EQ(records().size(), 2u);
    EXPECT_EQ(device_->TrkInfo(), 0) << "later scans skip the command";
}

}  // namespace
}  // namespace kel::diag
