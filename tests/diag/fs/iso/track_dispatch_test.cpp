// Which volume of a track is read: UDF first on packet-written tracks, High
// Sierra, Joliet before ISO 9660, then UDF and HFS; and what happens around
// the volume: tracks taken into it, a root found by scanning, stop requests.
#include <algorithm>

#include "tests/diag/fs/iso/reader_fixture.h"

namespace kel::diag::testing {
namespace {

using TrackDispatch = ReaderFixture;

// BasicImage with a Joliet tree: supplementary descriptor at `at`, its root
// at 24 ("Readme file.txt" and "Sub dir/Grüße.txt").
ImageBuilder JolietImage(std::uint32_t at = 17, const std::string& escape = "%/E") {
    ImageBuilder image = BasicImage();
    image.terminator(at == 17 ? 19 : 17);
    image.descriptor(at, Ucs2(u"JOLIETVOL"), 40, 24, 2048, 18, escape);
    std::vector<Entry> records = DotEntries(24, 24);
    records.push_back(Entry{Ucs2(u"Readme file.txt"), 30, 6});
    records.push_back(Entry{Ucs2(u"Sub dir"), 25, 2048, kDirectory});
    image.directory(24, records);
    std::vector<Entry> sub = DotEntries(25, 24);
    sub.push_back(Entry{Ucs2(u"Gr\u00FC\u00DFe.txt"), 31, 100});
    image.directory(25, sub);
    return image;
}

TEST_F(TrackDispatch, JolietTreeIsPreferred) {
    ASSERT_TRUE(read(JolietImage()));
    EXPECT_EQ(track_.flags, track_flags::kIso9660 | track_flags::kJoliet);
    EXPECT_STREQ(root()->name, "\\ JOLIETVOL (Session 1)");
    EXPECT_EQ(names(root()), (std::vector<std::string>{"", "\1", "Readme file.txt", "Sub dir"}));
    EXPECT_EQ(names(child(root(), "Sub dir")),
              (std::vector<std::string>{"", "\1", "Gr\u00FC\u00DFe.txt"}));
    EXPECT_EQ(root()->count, 3u);
    EXPECT_EQ(status_,
              (std::vector<std::string>{"Scanning Joliet directory for track 1 (JOLIETVOL)"}));
    EXPECT_EQ(inserted_.size(), 2u);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TrackDispatch, OtherEscapeSequencesAreIgnoredUpToBlock31) {
    ImageBuilder image = JolietImage(31);
    image.descriptor(17, Ucs2(u"OTHER"), 40, 24, 2048, 18, "%/F");
    ASSERT_TRUE(read(image));
    EXPECT_TRUE(track_.flags & track_flags::kJoliet);
    EXPECT_NE(child(root(), "Readme file.txt"), nullptr);

    // One block further is no longer part of the search.
    ImageBuilder late = JolietImage(32);
    FreeFileTree(track_.root);
    track_.root = nullptr;
    track_.flags = 0;
    device_.reads.clear();
    ASSERT_TRUE(read(late));
    EXPECT_FALSE(track_.flags & track_flags::kJoliet);
    EXPECT_NE(child(root(), "README.TXT;1"), nullptr);
    EXPECT_EQ(std::count(device_.reads.begin(), device_.reads.end(), 32u), 0);
}

TEST_F(TrackDispatch, JolietWithoutATreeGivesWayToTheIsoTree) {
    device_.failing = {24};
    ASSERT_TRUE(read(JolietImage()));
    EXPECT_EQ(track_.flags, track_flags::kIso9660);
    EXPECT_STREQ(root()->name, "\\ TESTVOL (Session 1)");
    EXPECT_NE(child(root(), "README.TXT;1"), nullptr);
    // One root in the tree pane, and no read error of the abandoned tree.
    EXPECT_EQ(std::count_if(inserted_.begin(), inserted_.end(),
                            [](const FileNode* node) { return node->parent == nullptr; }),
              1);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TrackDispatch, UnconvertibleJolietNameIsReported) {
    ImageBuilder image = JolietImage();
    std::vector<Entry> records = DotEntries(24, 24);
    // 110 characters of three UTF-8 bytes each do not fit in 255 bytes.
    records.push_back(Entry{Ucs2(std::u16string(110, u'\u6587')), 30, 6});
    image.directory(24, records);
    ASSERT_TRUE(read(image));
    const std::vector<FileNode*> list = children(root());
    ASSERT_EQ(list.size(), 3u);
    // Cut at the last whole character that fits.
    std::string expected;
    for (int i = 0; i < 85; ++i) {
        expected += "\u6587";
    }
    EXPECT_EQ(list[2]->name, expected);
    EXPECT_EQ(messageIds(), std::vector<int>{128});
}

TEST_F(TrackDispatch, IgnoreJolietReadsTheIsoTreeAndNeverTriesUdf) {
    Options().ignoreJoliet = 1;
    track_.flags = track_flags::kPacket;
    ASSERT_TRUE(read(JolietImage()));
    EXPECT_EQ(readerCalls().udf, 0);
    EXPECT_EQ(track_.flags, track_flags::kPacket | track_flags::kIso9660);
    EXPECT_NE(child(root(), "README.TXT;1"), nullptr);
}

TEST_F(TrackDispatch, IgnoreJolietTakesTheIsoPathWithoutADescriptor) {
    Options().ignoreJoliet = 1;
    ImageBuilder image(40);
    read(image);
    EXPECT_EQ(readerCalls().udf, 0);
    EXPECT_EQ(readerCalls().hfs, 0);
    EXPECT_TRUE(track_.flags & track_flags::kIso9660);
}

TEST_F(TrackDispatch, UnknownTrackIsOfferedToUdfThenHfs) {
    ImageBuilder image(40);
    EXPECT_FALSE(read(image));
    EXPECT_EQ(readerCalls().udf, 1);
    EXPECT_EQ(readerCalls().hfs, 1);
    EXPECT_EQ(track_.flags, 0u);
    EXPECT_EQ(root(), nullptr);
}

TEST_F(TrackDispatch, PacketTrackTriesUdfBeforeAnything) {
    leadOut_.flags = track_flags::kPacket;  // the next track counts too
    ASSERT_TRUE(read(BasicImage()));
    // Once for the packet track, once for a UDF bridge volume.
    EXPECT_EQ(readerCalls().udf, 2);
    EXPECT_EQ(device_.reads.front(), 16u);
}

TEST_F(TrackDispatch, HighSierraVolume) {
    ImageBuilder image(40);
    image.highSierraDescriptor(16, "HSVOL", 40, 20, 2048);
    std::vector<Entry> records = DotEntries(20, 20);
    records[0].date = {88, 7, 14, 9, 30, 0, 0};
    records.push_back(Entry{"README.TXT;1", 30, 6});
    records.push_back(Entry{"SUB", 21, 2 * 2048, kDirectory});
    image.directory(20, records, true);
    std::vector<Entry> sub = DotEntries(21, 20);
    sub.push_back(Entry{"A.TXT;1", 31, 100});
    image.directory(21, sub, true);
    // Every block's first record is held to the volume, not only a . record.
    image.directory(22, {Entry{"FAR.TXT;1", 99999, 1}, Entry{"B.TXT;1", 32, 1}}, true);
    ASSERT_TRUE(read(image));

    EXPECT_EQ(track_.flags, track_flags::kHighSierra);
    EXPECT_STREQ(root()->name, "\\ HSVOL (Session 1)");
    // Six date bytes, the seventh the flags byte after them.
    EXPECT_EQ(root()->recordingDate,
              (std::array<std::uint8_t, 7>{88, 7, 14, 9, 30, 0, kDirectory}));
    EXPECT_EQ(names(root()), (std::vector<std::string>{"", "\1", "README.TXT;1", "SUB"}));
    EXPECT_EQ(names(child(root(), "SUB")), (std::vector<std::string>{"", "\1", "A.TXT;1"}));
    EXPECT_EQ(child(root(), "README.TXT;1")->startBlock, 30);
    EXPECT_EQ(status_, (std::vector<std::string>{"Scanning HSG directory for track 1 (HSVOL)"}));
    EXPECT_EQ(readerCalls().udf, 0);
}

TEST_F(TrackDispatch, UnreadableDescriptorFindsTheRootByScanning) {
    device_.failing = {16};
    ASSERT_TRUE(read(BasicImage()));
    ASSERT_EQ(messageIds(), std::vector<int>{156});
    EXPECT_NE(messages_[0].text.find("block 20 on the disc"), std::string::npos);
    EXPECT_TRUE(track_.flags & track_flags::kIso9660);
    EXPECT_NE(child(child(root(), "SUB"), "A.TXT;1"), nullptr);
}

TEST_F(TrackDispatch, UnreadableDescriptorWithoutARootGivesNothing) {
    device_.failing = {16};
    EXPECT_FALSE(read(ImageBuilder(60)));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(*std::max_element(device_.reads.begin(), device_.reads.end()), 39u);
}

// Track 1 [0, 30) holds a volume of 60 blocks; track 2 [30, 60) follows it
// in the same session.
class VolumeOverTracks : public ReaderFixture {
protected:
    void SetUp() override {
        ReaderFixture::SetUp();
        second_.prev = &track_;
        second_.next = &leadOut_;
        track_.next = &second_;
        leadOut_.prev = &second_;
        second_.track = 2;
        second_.session = 1;
        second_.control = 0x14;
        second_.start = 30;
        second_.end = 60;
        leadOut_.start = 60;
    }
    bool readTrack1(ImageBuilder& image) {
        image.descriptor(16, "TWOTRACKS", 60, 20, 2048, 18);
        std::vector<Entry> records = DotEntries(20, 20);
        records.push_back(Entry{"LATE.DAT;1", 50, 2048});
        image.directory(20, records);
        device_.setImage(image.bytes);
        track_.end = 30;
        return ReadTrackFileSystem(track_);
    }

    TrackInfo second_;
};

TEST_F(VolumeOverTracks, FollowingDataTrackJoinsTheVolume) {
    ImageBuilder image(60);
    ASSERT_TRUE(readTrack1(image));
    EXPECT_EQ(track_.end, 60);
    EXPECT_TRUE(second_.flags & track_flags::kContinuation);
    EXPECT_EQ(child(root(), "LATE.DAT;1")->startBlock, 50);
}

TEST_F(VolumeOverTracks, TrackWithItsOwnVolumeStaysApart) {
    ImageBuilder image(60);
    image.descriptor(46, "SECOND", 30, 50, 2048, 48);
    ASSERT_TRUE(readTrack1(image));
    EXPECT_EQ(track_.end, 30);
    EXPECT_FALSE(second_.flags & track_flags::kContinuation);
    EXPECT_EQ(child(root(), "LATE.DAT;1")->startBlock, -1);
}

TEST_F(VolumeOverTracks, AudioTrackOrNextSessionStaysApart) {
    ImageBuilder image(60);
    second_.control = 0x10;
    ASSERT_TRUE(readTrack1(image));
    EXPECT_EQ(track_.end, 30);
    second_.control = 0x14;
    second_.session = 2;
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(readTrack1(image));
    EXPECT_EQ(track_.end, 30);
    EXPECT_FALSE(second_.flags & track_flags::kContinuation);
}

TEST_F(TrackDispatch, StopFlagEndsTheIsoPathWithMessage155) {
    StopScan() = true;
    EXPECT_FALSE(read(BasicImage()));
    ASSERT_EQ(messageIds(), std::vector<int>{155});
    EXPECT_EQ(messages_[0].text, "The file directory for track 1 is not readable.");
}

TEST_F(TrackDispatch, CloseRequestEndsTheIsoPathQuietly) {
    CloseRequested() = true;
    EXPECT_FALSE(read(BasicImage()));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(root(), nullptr);
}

}  // namespace
}  // namespace kel::diag::testing
