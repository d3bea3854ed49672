// Recordable media as the drive answers for them: the TOC of closed
// sessions with B0 and C0, ATIP, disc and track information (the open and
// the invisible track), the vendor track information of older drives, and
// reads of blocks that hold nothing.
#include <fstream>

#include "drive_fixture.h"
#include "emu/disc/loader.h"

namespace kel::emu::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 359849: the default last possible lead-out, 79:59:74.
constexpr std::int32_t kLastLeadOut = (79 * 60 + 59) * 75 + 74 - 150;
// Session 2 (100 blocks) starts after session 1's 300 and the 11400-block gap.
constexpr std::int32_t kSecondStart = kDataEnd + 11400;
constexpr std::int32_t kSecondEnd = kSecondStart + 100;
constexpr std::int32_t kNextArea = kSecondEnd + 2250 + 4500 + 150;

Bytes readToc(std::uint8_t format, bool msf = false) {
    return {0x43, std::uint8_t(msf ? 2 : 0), format, 0, 0, 0, 0, 0x10, 0x00, 0};
}
Bytes discInfo() {
    return {0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0};
}
Bytes trackInfo(std::uint8_t type, std::uint32_t address) {
    return {0x52,
            type,
            std::uint8_t(address >> 24),
            std::uint8_t(address >> 16),
            std::uint8_t(address >> 8),
            std::uint8_t(address),
            0,
            0,
            0xFF,
            0};
}

std::uint32_t be32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t(bytes.at(at)) << 24 | std::uint32_t(bytes.at(at + 1)) << 16 |
           std::uint32_t(bytes.at(at + 2)) << 8 | bytes.at(at + 3);
}

// One 11-byte full-TOC entry without its session byte.
Bytes entry(const Bytes& toc, std::size_t index) {
    const auto at = 4 + 11 * index;
    return Bytes(toc.begin() + static_cast<std::ptrdiff_t>(at),
                 toc.begin() + static_cast<std::ptrdiff_t>(at + 11));
}

class Recordable : public DriveTest {
protected:
    void SetUp() override {
        DriveTest::SetUp();
        std::ofstream(folder / "second.bin", std::ios::binary) << std::string(100 * 2048, '\x5A');
        std::filesystem::copy_file(folder / "data.bin", folder / "open.iso");
        std::ofstream(folder / "two.cue")
            << "FILE data.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n"
               "FILE second.bin BINARY\nTRACK 02 MODE1/2048\nPREGAP 02:32:00\n"
               "INDEX 01 00:00:00\n";
    }
    void useDescriptor(const std::string& text) {
        const auto path = folder / "drive.emu";
        std::ofstream(path) << text;
        auto loaded = loadDrive(path);
        if (auto* error = std::get_if<LoadError>(&loaded)) {
            FAIL() << error->text();
        }
        drive = open(std::move(std::get<LoadedDrive>(loaded)));
    }
    void useTwoSessions(const std::string& more = "") {
        useDescriptor("[disc]\nimage = two.cue\nmedium = cd-r\ndisc-status = incomplete\n" + more +
                      "[session 2]\nstart = " + std::to_string(kSecondStart) + "\n");
    }
};

TEST_F(Recordable, TocListsBothSessions) {
    useTwoSessions();
    Reply toc = in(readToc(0), 1024);
    ASSERT_TRUE(toc.good());
    ASSERT_EQ(toc.data.size(), 28u);
    EXPECT_EQ(toc.data[3], 2);
    EXPECT_EQ(be32(toc.data, 4 + 8 + 4), std::uint32_t(kSecondStart));
    EXPECT_EQ(toc.data[4 + 16 + 2], 0xAA);
    EXPECT_EQ(be32(toc.data, 4 + 16 + 4), std::uint32_t(kSecondEnd));

    Reply session = in(readToc(1), 1024);
    ASSERT_TRUE(session.good());
    EXPECT_EQ(session.data, (Bytes{0, 10, 1, 2, 0, 0x14, 2, 0, 0, 0, 0x2D, 0xB4}));
}

TEST_F(Recordable, FullTocHasB0PerSessionAndC0InTheFirst) {
    useTwoSessions();
    Reply toc = in(readToc(2), 1024);
    ASSERT_TRUE(toc.good());
    ASSERT_EQ(toc.data.size(), 4u + 11 * 11);
    EXPECT_EQ(toc.data[2], 1);
    EXPECT_EQ(toc.data[3], 2);
    // Session 1: A0, A1, A2, track 1, B0, C0.
    EXPECT_EQ(entry(toc.data, 2), (Bytes{1, 0x14, 0, 0xA2, 0, 0, 0, 0, 0, 6, 0}));
    // B0: the next area at 11700 (+150 frames = 02:36:00), last lead-out
    // 79:59:74, two mode-5 pointers.
    EXPECT_EQ(entry(toc.data, 4), (Bytes{1, 0x54, 0, 0xB0, 2, 36, 0, 2, 79, 59, 74}));
    // C0: ATIP power byte, disc type byte, lead-in start 97:26:66.
    EXPECT_EQ(entry(toc.data, 5), (Bytes{1, 0x54, 0, 0xC0, 0xC1, 0x80, 0, 0, 97, 26, 66}));
    // Session 2 ends at 11800 and points at its successor's area.
    EXPECT_EQ(entry(toc.data, 8), (Bytes{2, 0x14, 0, 0xA2, 0, 0, 0, 0, 2, 39, 25}));
    EXPECT_EQ(entry(toc.data, 9), (Bytes{2, 0x14, 0, 0x02, 0, 0, 0, 0, 2, 38, 0}));
    const sector::Msf next = sector::lbaToMsf(kNextArea - 150);
    EXPECT_EQ(entry(toc.data, 10),
              (Bytes{2, 0x54, 0, 0xB0, next.minute, next.second, next.frame, 1, 79, 59, 74}));
}

TEST_F(Recordable, ClosedDiscSaysSoInB0AndBcdDrivesWriteBcd) {
    useDescriptor(
        "[disc]\nimage = two.cue\nmedium = cd-rw\n[drive]\nfull-toc-bcd = on\n"
        "[session 2]\nstart = " +
        std::to_string(kSecondStart) + "\n");
    Reply toc = in(readToc(2), 1024);
    ASSERT_TRUE(toc.good());
    EXPECT_EQ(entry(toc.data, 5), (Bytes{1, 0x54, 0, 0xC0, 0xC1, 0xC0, 0, 0, 0x97, 0x26, 0x66}));
    EXPECT_EQ(entry(toc.data, 10),
              (Bytes{2, 0x54, 0, 0xB0, 0xFF, 0xFF, 0xFF, 1, 0x79, 0x59, 0x74}));
    EXPECT_EQ(entry(toc.data, 8), (Bytes{2, 0x14, 0, 0xA2, 0, 0, 0, 0, 2, 0x39, 0x25}));
    Reply info = in(discInfo(), 256);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(info.data[2], 0x10 | 0x0C | 0x02);  // erasable, complete session, complete disc
    EXPECT_EQ(be32(info.data, 16), 0xFFFFFFFFu);
    EXPECT_TRUE(in(trackInfo(1, 0xFF), 256).senseIs(5, 0x24, 0));
}

TEST_F(Recordable, AtipGivesTheDescriptorsValues) {
    useTwoSessions(
        "[atip]\nlead-in-start = 97:24:01\nlast-lead-out = 74:59:70\n"
        "disc-sub-type = 2\nwriting-power = 5\nreference-speed = 3\n"
        "unrestricted-use = off\n");
    Reply atip = in(readToc(4), 1024);
    ASSERT_TRUE(atip.good());
    EXPECT_EQ(atip.data, (Bytes{0,  26, 0, 0, 0xD3, 0x00, 0x90, 0, 97, 24, 1, 0, 74, 59,
                                70, 0,  0, 0, 0,    0,    0,    0, 0,  0,  0, 0, 0,  0}));
}

TEST_F(Recordable, DiscAndTrackInformationOfAnAppendableDisc) {
    useTwoSessions();
    Reply info = in(discInfo(), 256);
    ASSERT_TRUE(info.good());
    ASSERT_EQ(info.data.size(), 34u);
    EXPECT_EQ(info.data[2], 0x01);  // incomplete disc, empty next session
    EXPECT_EQ(info.data[4], 3);     // two sessions and the empty third
    EXPECT_EQ(info.data[5], 3);
    EXPECT_EQ(info.data[6], 3);
    const sector::Msf leadIn = sector::lbaToMsf(kSecondEnd + 2250);
    EXPECT_EQ(be32(info.data, 16),
              std::uint32_t(leadIn.minute << 16 | leadIn.second << 8 | leadIn.frame));
    EXPECT_EQ(be32(info.data, 20), std::uint32_t(79 << 16 | 59 << 8 | 74));

    Reply invisible = in(trackInfo(1, 0xFF), 256);
    ASSERT_TRUE(invisible.good());
    EXPECT_EQ(invisible.data[2], 3);
    EXPECT_EQ(invisible.data[3], 3);
    EXPECT_EQ(invisible.data[6] & 0x40, 0x40);  // blank
    EXPECT_EQ(invisible.data[7] & 0x01, 0x01);  // NWA valid
    EXPECT_EQ(be32(invisible.data, 8), std::uint32_t(kNextArea));
    EXPECT_EQ(be32(invisible.data, 12), std::uint32_t(kNextArea));
    EXPECT_EQ(be32(invisible.data, 16), std::uint32_t(kLastLeadOut - kNextArea));
    EXPECT_EQ(in(trackInfo(1, 3), 256).data, invisible.data);
    EXPECT_TRUE(in(trackInfo(1, 4), 256).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(trackInfo(1, 0), 256).senseIs(5, 0x24, 0));

    Reply second = in(trackInfo(0, kSecondStart + 50), 256);
    ASSERT_TRUE(second.good());
    EXPECT_EQ(second.data[2], 2);
    EXPECT_EQ(second.data[3], 2);
    EXPECT_EQ(second.data[5], 0x04);
    EXPECT_EQ(second.data[6], 0x01);
    EXPECT_EQ(second.data[7], 0x00);
    EXPECT_EQ(be32(second.data, 24), 100u);
    EXPECT_TRUE(in(trackInfo(0, kLastLeadOut + 1), 256).senseIs(5, 0x21, 0));
}

TEST_F(Recordable, OpenPacketTrack) {
    useDescriptor(
        "[disc]\nimage = open.iso\nmedium = cd-rw\ndisc-status = incomplete\n"
        "last-session = incomplete\nwrite-method = packet\npacket-size = 32\nnext-writable = 256\n"
        "[track 1]\ncopy = on\n");
    // No session has a lead-in yet: no TOC.
    EXPECT_TRUE(in(readToc(0), 1024).senseIs(5, 0x24, 0));
    Reply info = in(discInfo(), 256);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(info.data[2], 0x10 | 0x04 | 0x01);
    EXPECT_EQ(info.data[4], 1);
    const sector::Msf leadIn{97, 26, 66};
    EXPECT_EQ(be32(info.data, 16),
              std::uint32_t(leadIn.minute << 16 | leadIn.second << 8 | leadIn.frame));
    Reply track = in(trackInfo(1, 0xFF), 256);
    ASSERT_TRUE(track.good());
    EXPECT_EQ(track.data[2], 1);
    EXPECT_EQ(track.data[5], 0x10 | 0x05);  // copy; data recorded incrementally
    EXPECT_EQ(track.data[6], 0x20 | 0x10 | 0x01);
    EXPECT_EQ(track.data[7], 0x01);
    EXPECT_EQ(be32(track.data, 12), 256u);
    // Each 32-block packet takes 39 blocks of the disc.
    EXPECT_EQ(be32(track.data, 16), std::uint32_t((kLastLeadOut - 256) / 39 * 32));
    EXPECT_EQ(be32(track.data, 20), 32u);
    EXPECT_TRUE(in(read10(255, 1), 2048).good());
    Reply unwritten = in(read10(250, 10), 10 * 2048);
    EXPECT_TRUE(unwritten.senseIs(5, 0x21, 0));
    EXPECT_EQ(unwritten.result.transferred, 6u * 2048);
}

TEST_F(Recordable, BlankDisc) {
    useDescriptor("[disc]\nmedium = cd-r\ndisc-status = blank\n");
    EXPECT_TRUE(none({0, 0, 0, 0, 0, 0}).good());
    Reply toc = in(readToc(0), 1024);
    ASSERT_TRUE(toc.good());
    EXPECT_EQ(toc.data.size(), 12u);
    EXPECT_EQ(toc.data[6], 0xAA);
    EXPECT_EQ(be32(toc.data, 8), std::uint32_t(kLastLeadOut));
    EXPECT_TRUE(in(readToc(2), 1024).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(readToc(4), 1024).good());
    Reply info = in(discInfo(), 256);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(info.data[2], 0x00);
    EXPECT_EQ(info.data[4], 1);
    Reply track = in(trackInfo(1, 1), 256);
    ASSERT_TRUE(track.good());
    EXPECT_EQ(be32(track.data, 8), 0u);
    EXPECT_EQ(be32(track.data, 16), std::uint32_t(kLastLeadOut));
    EXPECT_TRUE(in(read10(0, 1), 2048).senseIs(5, 0x21, 0));
}

TEST_F(Recordable, SessionGapAndTaoBlocksReadAsUnwritten) {
    useTwoSessions("write-method = tao\n[faults]\nunwritten-sense = 3/02/00\n");
    EXPECT_TRUE(in(read10(kDataEnd - 3, 1), 2048).good());
    EXPECT_TRUE(in(read10(kDataEnd - 2, 1), 2048).senseIs(3, 0x02, 0));              // run-out
    EXPECT_TRUE(in(read10(kDataEnd + 10, 1), 2048).senseIs(3, 0x02, 0));             // lead-out
    EXPECT_TRUE(in(readCd(kSecondStart - 150, 1, 0x10), 2048).senseIs(3, 0x02, 0));  // link
    EXPECT_TRUE(in(readCd(kSecondStart - 145, 1, 0x10), 2048).good());
}

TEST_F(Recordable, PressedDiscsHaveNoRecordableAnswers) {
    useDrive();
    Reply info = in(discInfo(), 256);
    ASSERT_TRUE(info.good());
    EXPECT_EQ(info.data[2], 0x0E);
    Reply toc = in(readToc(2), 1024);
    ASSERT_TRUE(toc.good());
    EXPECT_EQ(toc.data.size(), 4u + 11 * 5);  // A0-A2 and two tracks: no B0, no C0
}

TEST_F(Recordable, OlderDriveVendorTrackInformation) {
    useTwoSessions("[drive]\npersonality = scsi2\nvendor-track-info = on\n");
    Reply track = in({0xE5, 0, 0, 0, 0, 2, 0, 0, 0xFF, 0}, 256);
    ASSERT_TRUE(track.good());
    ASSERT_EQ(track.data.size(), 20u);
    EXPECT_EQ(track.data[0], 19);
    EXPECT_EQ(be32(track.data, 2), std::uint32_t(kSecondStart));
    EXPECT_EQ(be32(track.data, 6), 100u);
    EXPECT_EQ(track.data[10], 0x04);
    EXPECT_EQ(track.data[11], 0x01);
    Reply nwa = in({0xE6, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0}, 256);
    ASSERT_TRUE(nwa.good());
    EXPECT_EQ(nwa.data, (Bytes{0, 0, std::uint8_t(kNextArea >> 8), std::uint8_t(kNextArea)}));
    EXPECT_TRUE(in(discInfo(), 256).senseIs(5, 0x20, 0));  // an MMC command
}

TEST_F(Recordable, VendorTrackInformationOnlyWhenEnabled) {
    useTwoSessions("[drive]\npersonality = scsi2\n");
    EXPECT_TRUE(in({0xE5, 0, 0, 0, 0, 1, 0, 0, 0xFF, 0}, 256).senseIs(5, 0x20, 0));
}

}  // namespace
}  // namespace kel::emu::test
