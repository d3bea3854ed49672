// The anchor probe at block 256 of an ISO 9660 track: a short track has no
// such block, and a read error there is no news for the user.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/diag/fs/udf/udf_fixture.h"

namespace kel::diag::testing {
namespace {

using UdfAnchorProbe = UdfFixture;

TEST_F(UdfAnchorProbe, Block256IsReadQuietlyAndQuietIsPutBack) {
    track_.flags = track_flags::kIso9660;
    track_.end = 200;
    leadOut_.start = 200;
    device_.failing = {256};
    EXPECT_FALSE(read());
    const auto at = std::find(device_.reads.begin(), device_.reads.end(), 256u);
    ASSERT_NE(at, device_.reads.end()) << "block 256 was probed";
    EXPECT_TRUE(device_.quietReads[static_cast<std::size_t>(at - device_.reads.begin())]);
    EXPECT_EQ(device_.quiet, 0) << "the caller's setting is back";
}

TEST_F(UdfAnchorProbe, ACallerThatWantsQuietKeepsIt) {
    track_.flags = track_flags::kIso9660;
    device_.failing = {256};
    device_.quiet = 1;
    EXPECT_FALSE(read());
    EXPECT_EQ(device_.quiet, 1);
}

}  // namespace
}  // namespace kel::diag::testing
