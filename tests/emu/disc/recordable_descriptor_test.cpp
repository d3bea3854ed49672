// The descriptor's recordable-media keys: how sessions split and trim the
// image's tracks, which blocks hold nothing, and the errors for keys that
// contradict each other or the image.
#include <gtest/gtest.h>

#include "emu/disc/loader.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

using test::expectFailure;
using test::expectLoaded;
using test::ImageFolder;
using test::patternSectors;

// Track 1: 20 blocks in a.bin; track 2 behind a 02:32:00 pregap the file
// does not store (the gap after a first session), at LBA 20 + 11400.
constexpr std::int32_t kSecondStart = 20 + 11400;

class Recordable : public ::testing::Test {
protected:
    Recordable() {
        folder.write("a.bin", patternSectors(20, 2048));
        folder.write("a.bin.iso", patternSectors(20, 2048));
        folder.write("b.bin", patternSectors(30, 2048, 100));
        folder.write("c.bin", patternSectors(10, 2048, 200));
        folder.write(
            "two.cue",
            "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
            "FILE b.bin BINARY\nTRACK 02 MODE1/2048\nPREGAP 02:32:00\nINDEX 01 00:00:00\n");
    }
    LoadedDrive load(std::string_view descriptor) {
        return expectLoaded(loadDrive(folder.write("drive.emu", descriptor)));
    }
    ImageFolder folder;
};

TEST_F(Recordable, SecondSessionAfterTheFirstSessionGap) {
    const auto loaded = load(
        "[disc]\nimage = two.cue\nmedium = cd-r\ndisc-status = incomplete\n"
        "[session 2]\nstart = 11420\n");
    const Disc& disc = loaded.disc;
    ASSERT_EQ(disc.tracks.size(), 2u);
    ASSERT_EQ(disc.sessions.size(), 2u);
    EXPECT_EQ(disc.sessions[0].leadOut, 20);
    EXPECT_EQ(disc.sessions[1].firstTrack, 2);
    EXPECT_EQ(disc.sessions[1].leadOut, kSecondStart + 30);
    EXPECT_EQ(disc.tracks[1].session, 2);
    // The pregap a recorder writes is readable; lead-out and lead-in are not.
    EXPECT_EQ(disc.tracks[1].pregapStart, kSecondStart - 150);
    EXPECT_TRUE(disc.isUnwritten(20));
    EXPECT_TRUE(disc.isUnwritten(kSecondStart - 151));
    EXPECT_FALSE(disc.isUnwritten(kSecondStart - 150));
    EXPECT_FALSE(disc.isUnwritten(19));
    EXPECT_EQ(disc.lastSession, SessionState::Empty);
}

TEST_F(Recordable, AnIsoOfTwoSessionsIsSplitAtTheSecondStart) {
    // A sparse image of the whole address space, as a two-session dump is.
    const auto iso = folder.write("two.iso", patternSectors(60, 2048));
    std::filesystem::resize_file(iso, std::uintmax_t{11500} * 2048);
    const auto loaded = load("[disc]\nimage = two.iso\n[session 2]\nstart = 11450\n");
    const Disc& disc = loaded.disc;
    ASSERT_EQ(disc.tracks.size(), 2u);
    EXPECT_EQ(disc.tracks[0].end, 50);
    EXPECT_EQ(disc.tracks[0].storedTo, 50);
    EXPECT_EQ(disc.tracks[1].number, 2);
    EXPECT_EQ(disc.tracks[1].start, 11450);
    EXPECT_EQ(disc.tracks[1].pregapStart, 11300);
    EXPECT_EQ(disc.tracks[1].storedFrom, 11300);
    EXPECT_EQ(disc.tracks[1].fileOffset, std::uint64_t{11300} * 2048);
    EXPECT_EQ(disc.tracks[1].end, 11500);
}

TEST_F(Recordable, LaterSessionsFollowTheShorterGap) {
    folder.write("three.cue",
                 "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
                 "FILE b.bin BINARY\nTRACK 02 MODE1/2048\nPREGAP 02:32:00\nINDEX 01 00:00:00\n"
                 "FILE c.bin BINARY\nTRACK 03 MODE1/2048\nPREGAP 01:32:00\nINDEX 01 00:00:00\n");
    const std::int32_t third = kSecondStart + 30 + 6900;
    const auto loaded = load(
        "[disc]\nimage = three.cue\nmedium = cd-r\n[session 2]\nstart = 11420\n"
        "[session 3]\nstart = " +
        std::to_string(third) + "\n");
    ASSERT_EQ(loaded.disc.sessions.size(), 3u);
    EXPECT_EQ(loaded.disc.sessions[1].leadOut, kSecondStart + 30);
    EXPECT_EQ(loaded.disc.tracks[2].start, third);
}

TEST_F(Recordable, TaoTracksLoseTheirLinkAndRunOutBlocks) {
    folder.write("tao.cue",
                 "FILE a.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
                 "TRACK 02 MODE1/2048\nINDEX 00 00:00:05\nINDEX 01 00:00:12\n");
    const auto loaded = load("[disc]\nimage = tao.cue\nmedium = cd-r\nwrite-method = tao\n");
    const Disc& disc = loaded.disc;
    EXPECT_TRUE(disc.isUnwritten(3));  // track 1's run-out
    EXPECT_TRUE(disc.isUnwritten(4));
    EXPECT_TRUE(disc.isUnwritten(5));  // track 2's link block and run-in
    EXPECT_TRUE(disc.isUnwritten(9));
    EXPECT_FALSE(disc.isUnwritten(10));
    EXPECT_FALSE(disc.isUnwritten(2));
    EXPECT_TRUE(disc.isUnwritten(18));
    EXPECT_FALSE(disc.isUnwritten(17));
}

TEST_F(Recordable, OpenPacketTrackEndsAtItsNextWritableAddress) {
    const auto loaded = load(
        "[disc]\nimage = a.bin.iso\nmedium = cd-rw\ndisc-status = incomplete\n"
        "last-session = incomplete\nnext-writable = 16\nwrite-method = packet\npacket-size = 8\n"
        "[track 1]\ndamaged = on\n");
    const Disc& disc = loaded.disc;
    EXPECT_EQ(disc.nextWritable, 16);
    EXPECT_EQ(disc.sessions.back().state, SessionState::Incomplete);
    EXPECT_TRUE(disc.isUnwritten(16));
    EXPECT_FALSE(disc.isUnwritten(15));
    EXPECT_EQ(disc.tracks[0].packetSize, 8);
    EXPECT_TRUE(disc.tracks[0].damaged);
    EXPECT_EQ(disc.tracks[0].control & 0x05, 0x05);  // data, recorded incrementally
}

TEST_F(Recordable, BlankDiscHasNoImage) {
    const auto loaded = load(
        "[disc]\nmedium = cd-r\ndisc-status = blank\n"
        "[atip]\nlead-in-start = 97:24:01\nlast-lead-out = 74:59:70\n"
        "disc-sub-type = 3\nunrestricted-use = off\n");
    EXPECT_TRUE(loaded.disc.tracks.empty());
    EXPECT_EQ(loaded.disc.status, DiscStatus::Blank);
    EXPECT_EQ(loaded.disc.lastSession, SessionState::Empty);
    EXPECT_EQ(loaded.disc.atip.leadInStart.second, 24);
    EXPECT_EQ(loaded.disc.atip.lastLeadOutLba(), (74 * 60 + 59) * 75 + 70 - 150);
    EXPECT_EQ(loaded.disc.atip.discSubType, 3);
    EXPECT_FALSE(loaded.disc.atip.unrestrictedUse);
}

TEST_F(Recordable, DriveKeysAndSubChannelFile) {
    folder.write("a.sub", std::vector<std::uint8_t>(20 * 96, 0x40));
    const auto loaded = load(
        "[disc]\nimage = a.bin.iso\nsubchannel = a.sub\n[drive]\nfull-toc-bcd = on\n"
        "vendor-track-info = yes\n[faults]\nunwritten-sense = 3/02/00\n");
    EXPECT_EQ(loaded.disc.subchannelFile, folder.path("a.sub"));
    EXPECT_TRUE(loaded.drive.fullTocBcd);
    EXPECT_TRUE(loaded.drive.vendorTrackInfo);
    EXPECT_EQ(loaded.drive.faults.unwrittenSense, (std::array<std::uint8_t, 3>{3, 2, 0}));
}

struct BadRecording {
    const char* name;
    const char* text;
    int line;
    const char* says;
};

void PrintTo(const BadRecording& bad, std::ostream* out) {
    *out << bad.name;
}

const BadRecording kBadRecordings[] = {
    {"UnknownMedium", "[disc]\nimage = a.bin.iso\nmedium = dvd\n", 3, "pressed, cd-r or cd-rw"},
    {"UnknownStatus", "[disc]\nimage = a.bin.iso\ndisc-status = open\n", 3,
     "blank, incomplete or complete"},
    {"PressedAppendable", "[disc]\nimage = a.bin.iso\ndisc-status = incomplete\n", 3,
     "pressed disc is complete"},
    {"AtipOnPressed", "[disc]\nimage = a.bin.iso\n[atip]\nwriting-power = 3\n", 3,
     "[atip] needs medium"},
    {"PressedTao", "[disc]\nimage = a.bin.iso\n[track 1]\nwrite-method = tao\n", 4,
     "not written by a recorder"},
    {"BlankWithImage", "[disc]\nmedium = cd-r\nimage = a.bin.iso\ndisc-status = blank\n", 3,
     "blank disc has no image"},
    {"BlankWithOpenSession",
     "[disc]\nmedium = cd-r\ndisc-status = blank\nlast-session = incomplete\n", 4,
     "last session is empty"},
    {"CompleteWithOpenSession",
     "[disc]\nimage = a.bin.iso\nmedium = cd-r\nlast-session = incomplete\n", 4,
     "complete disc's last session"},
    {"NextWritableWithoutOpenTrack",
     "[disc]\nimage = a.bin.iso\nmedium = cd-r\ndisc-status = incomplete\nnext-writable = 5\n", 5,
     "needs last-session = incomplete"},
    {"NextWritableBeyondTheImage",
     "[disc]\nimage = a.bin.iso\nmedium = cd-r\ndisc-status = incomplete\n"
     "last-session = incomplete\nnext-writable = 25\n",
     6, "outside the open track"},
    {"NextWritableOffPacket",
     "[disc]\nimage = a.bin.iso\nmedium = cd-rw\ndisc-status = incomplete\n"
     "last-session = incomplete\nwrite-method = packet\npacket-size = 8\nnext-writable = 12\n",
     8, "packet boundary"},
    {"PacketSizeZero", "[disc]\nimage = a.bin.iso\npacket-size = 0\n", 3, "from 1 to 65535"},
    {"BadWriteMethod", "[disc]\nimage = a.bin.iso\nmedium = cd-r\nwrite-method = sao\n", 4,
     "dao, tao or packet"},
    {"TrackNotOnDisc", "[disc]\nimage = a.bin.iso\nmedium = cd-r\n\n[track 4]\ncopy = on\n", 5,
     "no track 4"},
    {"TrackZero", "[disc]\nimage = a.bin.iso\n[track 0]\n", 3, "from 1 to 99"},
    {"TrackTwice", "[disc]\nimage = a.bin.iso\n[track 1]\ncopy = on\n[TRACK 1]\n", 5,
     "given twice"},
    {"SessionOne", "[disc]\nimage = a.bin.iso\n[session 1]\n", 3, "from 2 to 99"},
    {"SessionWithoutStart", "[disc]\nimage = two.cue\n[session 2]\n", 3, "needs \"start\""},
    {"SessionOutOfOrder", "[disc]\nimage = two.cue\n[session 3]\nstart = 11420\n", 3,
     "out of order"},
    {"SessionTooEarly", "[disc]\nimage = two.cue\n[session 2]\nstart = 10\n", 4,
     "no room for the lead-out"},
    {"SessionBeyondImage", "[disc]\nimage = two.cue\n[session 2]\nstart = 99999\n", 4,
     "not within the image"},
    {"SessionInPregap", "[disc]\nimage = two.cue\n[session 2]\nstart = 11300\n", 4,
     "in the pregap of track 2"},
    {"SectionNumberOnDisc", "[disc 2]\nimage = a.bin.iso\n", 1, "takes no number"},
    {"LeadInNot97", "[disc]\nimage = a.bin.iso\nmedium = cd-r\n[atip]\nlead-in-start = 96:10:00\n",
     5, "97:SS:FF"},
    {"LeadInFrames", "[disc]\nimage = a.bin.iso\nmedium = cd-r\n[atip]\nlead-in-start = 97:10:75\n",
     5, "MM:SS:FF"},
    {"LastLeadOutInLeadIn",
     "[disc]\nimage = a.bin.iso\nmedium = cd-r\n[atip]\nlast-lead-out = 97:00:00\n", 5,
     "program area"},
    {"ImageBeyondLastLeadOut",
     "[disc]\nimage = a.bin.iso\nmedium = cd-r\n[atip]\nlast-lead-out = 00:02:10\n", 5,
     "beyond the last possible lead-out"},
    {"PowerTooHigh", "[disc]\nimage = a.bin.iso\nmedium = cd-r\n[atip]\nwriting-power = 8\n", 5,
     "from 0 to 7"},
    {"BadSense", "[faults]\nunwritten-sense = 5-21-00\n", 2, "KEY/ASC/ASCQ"},
    {"SenseKeyZero", "[faults]\nunwritten-sense = 0/21/00\n", 2, "KEY/ASC/ASCQ"},
    {"SubchannelMissing", "[disc]\nimage = a.bin.iso\nsubchannel = none.sub\n", 3, "cannot open"},
    {"SubchannelTorn", "[disc]\nimage = a.bin.iso\nsubchannel = torn.sub\n", 3,
     "whole number of 96-byte sectors"},
    {"AudioPacket", "[disc]\nimage = audio.cue\nmedium = cd-r\n[track 1]\nwrite-method = packet\n",
     5, "cannot be packet-written"},
};

class RecordingErrors : public ::testing::TestWithParam<BadRecording> {};

TEST_P(RecordingErrors, NameTheDescriptorAndTheLine) {
    ImageFolder folder;
    folder.write("a.bin.iso", patternSectors(20, 2048));
    folder.write("b.bin", patternSectors(30, 2048));
    folder.write("audio.bin", patternSectors(10, 2352));
    folder.write("torn.sub", std::vector<std::uint8_t>(100, 0));
    folder.write("two.cue",
                 "FILE a.bin.iso BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
                 "FILE b.bin BINARY\nTRACK 02 MODE1/2048\nPREGAP 02:32:00\nINDEX 01 00:00:00\n");
    folder.write("audio.cue", "FILE audio.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const auto path = folder.write("drive.emu", std::string_view(GetParam().text));
    const auto error = expectFailure(loadDrive(path));
    EXPECT_EQ(error.file, path);
    EXPECT_EQ(error.line, GetParam().line) << error.text();
    EXPECT_NE(error.message.find(GetParam().says), std::string::npos) << error.text();
}

INSTANTIATE_TEST_SUITE_P(Malformed, RecordingErrors, ::testing::ValuesIn(kBadRecordings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kel::emu
