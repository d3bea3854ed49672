// Recognising a sampler disc's track by the maker's notice in block 0 of
// the disc.
#include <cstring>

#include "tests/diag/fs/hfs/hfs_fixture.h"

namespace kel::diag::testing {
namespace {

class OtherTrack : public HfsFixture {
protected:
    void Disc(const char* notice) {
        std::vector<std::uint8_t> image(2048 * 4, 0);
        std::memcpy(image.data() + 64, notice, std::strlen(notice));
        device_.setImage(image);
    }
};

TEST_F(OtherTrack, SamplerTrackGetsANamedRoot) {
    Disc("   Copyright  Roland Corporation");
    TrackInfo next;
    next.start = 12500;
    track_.start = 2000;
    track_.next = &next;
    ASSERT_TRUE(IdentifyOtherTrack(track_));
    ASSERT_NE(track_.root, nullptr);
    EXPECT_STREQ(track_.root->name, "Roland sampler track, 10500 blocks");
    EXPECT_EQ(track_.root->track, &track_);
    EXPECT_EQ(track_.root->firstChild, nullptr);
    EXPECT_EQ(inserted_, std::vector<std::string>{"Roland sampler track, 10500 blocks"});
    // Block 0 of the disc, quietly, whatever the track's start.
    EXPECT_EQ(device_.reads, std::vector<std::uint32_t>{0});
    EXPECT_EQ(device_.quietReads, std::vector<bool>{true});
    EXPECT_EQ(device_.quiet, 0);
}

TEST_F(OtherTrack, LastTrackIsNamedWithNoBlocks) {
    Disc("CopyrightRoland");
    ASSERT_TRUE(IdentifyOtherTrack(track_));
    EXPECT_STREQ(track_.root->name, "Roland sampler track, 0 blocks");
    FreeFileTree(track_.root);
    track_.root = nullptr;
    inserted_.clear();

    // A single-track disc: the track list's next record is the lead-out.
    TrackInfo leadOut;
    leadOut.track = kLeadOutTrack;
    leadOut.start = 600;
    track_.start = 0;
    track_.next = &leadOut;
    ASSERT_TRUE(IdentifyOtherTrack(track_));
    EXPECT_STREQ(track_.root->name, "Roland sampler track, 0 blocks");
}

TEST_F(OtherTrack, OtherNoticesAndUnreadableDiscsAreNotRecognised) {
    for (const char* notice : {"Copyright Akai", "Roland Copyright", " Copyrigh Roland", ""}) {
        Disc(notice);
        EXPECT_FALSE(IdentifyOtherTrack(track_)) << notice;
        EXPECT_EQ(track_.root, nullptr);
    }
    Disc("Copyright Roland");
    device_.failing.insert(0);
    device_.quiet = 1;
    EXPECT_FALSE(IdentifyOtherTrack(track_));
    EXPECT_EQ(device_.quiet, 0);
}

}  // namespace
}  // namespace kel::diag::testing
