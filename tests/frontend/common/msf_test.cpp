// CD time arithmetic and the zero-filled numbers of time texts.
#include "frontend/common/msf.h"

#include <gtest/gtest.h>

namespace kel::frontend {
namespace {

struct Parts {
    std::int32_t minute, second, frame;
    bool operator==(const Parts&) const = default;
};

Parts parts(std::int32_t frames) {
    Parts p{};
    FramesToMsfParts(frames, p.minute, p.second, p.frame);
    return p;
}

TEST(Msf, FramesAndBlockAddresses) {
    EXPECT_EQ(MsfToFrames(2, 0, 0), 9000);
    EXPECT_EQ(MsfToFrames(0, 0, 74), 74);
    EXPECT_EQ(MsfToFrames(79, 59, 74), 359999);
    EXPECT_EQ(MsfToLba(0, 2, 0), 0);
    EXPECT_EQ(MsfToLba(0, 0, 0), -150);
    EXPECT_EQ(MsfToLba(1, 0, 0), 4350);
}

TEST(Msf, FramesSplitIntoParts) {
    EXPECT_EQ(parts(4574), (Parts{1, 0, 74}));
    EXPECT_EQ(parts(0), (Parts{0, 0, 0}));
    EXPECT_EQ(parts(4500), (Parts{1, 0, 0}));
    EXPECT_EQ(parts(359999), (Parts{79, 59, 74}));
    // Truncation toward zero: negative counts give negative parts.
    EXPECT_EQ(parts(-1), (Parts{0, 0, -1}));
    EXPECT_EQ(parts(-4576), (Parts{-1, -1, -1}));
    for (std::int32_t frames : {0, 1, 74, 75, 4499, 4500, 123456, 449849}) {
        Parts p = parts(frames);
        EXPECT_EQ(MsfToFrames(p.minute, p.second, p.frame), frames);
    }
}

TEST(Msf, OutOfRangeTimesWrapInsteadOfOverflowing) {
    EXPECT_EQ(MsfToFrames(1000000, 0, 0), static_cast<std::int32_t>(4500000000u));
    EXPECT_EQ(MsfToLba(0, 0, -2147483647 - 1), 2147483498);
}

TEST(ZeroPad, FillsToTheWidthAndNeverCuts) {
    EXPECT_EQ(ZeroPad(7, 2), "07");
    EXPECT_EQ(ZeroPad(0, 2), "00");
    EXPECT_EQ(ZeroPad(123, 2), "123");
    EXPECT_EQ(ZeroPad(5, 0), "5");
    EXPECT_EQ(ZeroPad(5, -3), "5");
    EXPECT_EQ(ZeroPad(-5, 3), "0-5");
    EXPECT_EQ(ZeroPad(-5, 2), "-5");
    EXPECT_EQ(ZeroPad(-2147483647 - 1, 12), "0-2147483648");
}

}  // namespace
}  // namespace kel::frontend
