// Finding the error-recovery setting a drive accepts, and stepping to the
// next one, on the emulated drive with different changeable masks.
#include <gtest/gtest.h>

#include "diag/tools/debug_log.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "emulated_disc.h"

namespace kel::diag {
namespace {

TEST(RecoveryCandidates, ComeFromTheStringTableWithoutTheAutoEntry) {
    std::span<const std::uint8_t> candidates = RecoveryCandidates();
    EXPECT_EQ(std::vector<std::uint8_t>(candidates.begin(), candidates.end()),
              (std::vector<std::uint8_t>{0x06, 0x05, 0x04, 0x21, 0x01, 0x27, 0x25, 0x07}));
}

TEST(RecoveryCandidates, ListParsing) {
    EXPECT_EQ(ParseRecoveryCandidates(" *Auto*,0; A , 0x10 ;B,7;C,zz;D,300;E,010"),
              (std::vector<std::uint8_t>{0x10, 7, 8}))
        << "blanks skipped, C notation, values that are no byte dropped";
    EXPECT_EQ(ParseRecoveryCandidates("*Auto*,0;A,4;B,0;C,5"), (std::vector<std::uint8_t>{4}))
        << "0 ends the list";
    std::string many = "*Auto*,0";
    for (int i = 1; i <= 40; ++i) {
        many += ";X," + std::to_string(i);
    }
    EXPECT_EQ(ParseRecoveryCandidates(many).size(), kMaxRecoveryCandidates);
    EXPECT_TRUE(ParseRecoveryCandidates("").empty());
}

class PrepareErrorRecoveryTest : public testing::EmulatedDiscTest {
protected:
    void TearDown() override {
        logSwitches().debugMode = false;
        EmulatedDiscTest::TearDown();
    }
    void insertWithMask(const std::string& mask) {
        const testing::BuiltImage* disc = testing::DataDisc();
        ASSERT_NE(disc, nullptr);
        insert(*disc, "[drive]\nerror-recovery-changeable = " + mask + "\n");
    }
    // The page's error-recovery byte and retry count as they are now.
    std::uint16_t currentPage() {
        std::uint16_t current = 0;
        EXPECT_TRUE(device().SetErrorRecovery(0x0005, &current));
        return current;
    }
};

TEST_F(PrepareErrorRecoveryTest, TakesTheFirstCandidateTheDriveAccepts) {
    insertWithMask("0xFF");
    PrepareErrorRecovery();
    EXPECT_EQ(device().ErrScan(), 0x06);
    EXPECT_EQ(ProbedRecoverySetting(), 0x06);
    EXPECT_FALSE(device().DevReg()) << "confirmed only by a scan";
    EXPECT_EQ(device().quiet, 0);
    // Correcting again, with ten retries, until a scan asks otherwise.
    EXPECT_EQ(currentPage(), 0x000A);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PrepareErrorRecoveryTest, OnlyCandidatesInsideTheMaskAreTried) {
    insertWithMask("0x01");
    PrepareErrorRecovery();
    EXPECT_EQ(device().ErrScan(), 0x01);
}

TEST_F(PrepareErrorRecoveryTest, MaskWithoutPerOrDcrFindsNothing) {
    insertWithMask("0x22");
    PrepareErrorRecovery();
    EXPECT_EQ(device().ErrScan(), 0);
    EXPECT_EQ(RecoveryReasonCode(), recovery_reason::kMaskWithoutPerOrDcr);
    EXPECT_EQ(currentPage(), 0x0005) << "the page is left alone";
}

TEST_F(PrepareErrorRecoveryTest, NothingChangeableRunsOutOfCandidates) {
    insertWithMask("0x00");
    PrepareErrorRecovery();
    EXPECT_EQ(device().ErrScan(), 0);
    EXPECT_EQ(RecoveryReasonCode(), recovery_reason::kNoneAcceptedWithoutMask);
}

TEST_F(PrepareErrorRecoveryTest, ConfirmedSettingIsTakenWithoutProbing) {
    insertWithMask("0xFF");
    device().SetErrScan(0x05);
    device().SetDevReg(true);
    PrepareErrorRecovery();
    EXPECT_EQ(ProbedRecoverySetting(), 0x05);
    EXPECT_EQ(device().ErrScan(), 0x05);
    // In debug mode the drive is probed anyway.
    logSwitches().debugMode = true;
    PrepareErrorRecovery();
    EXPECT_EQ(device().ErrScan(), 0x06);
}

TEST_F(PrepareErrorRecoveryTest, NextSettingStepsThroughTheRestOfTheList) {
    insertWithMask("0xFF");
    device().SetErrScan(0x06);
    EXPECT_TRUE(NextRecoverySetting());
    EXPECT_EQ(device().ErrScan(), 0x05);
    EXPECT_EQ(currentPage(), 0x0500) << "written with no retries";
    device().SetErrScan(0x07);
    EXPECT_FALSE(NextRecoverySetting()) << "the last candidate";
    device().SetErrScan(0x99);
    EXPECT_FALSE(NextRecoverySetting()) << "not a candidate";
    EXPECT_EQ(device().ErrScan(), 0x99);
}

TEST_F(PrepareErrorRecoveryTest, NextSettingSkipsWhatTheDriveRefuses) {
    // DTE and TB cannot be set: 0x04 follows 0x06 and 0x05.
    insertWithMask("0x05");
    device().SetErrScan(0x05);
    EXPECT_TRUE(NextRecoverySetting());
    EXPECT_EQ(device().ErrScan(), 0x04);
    EXPECT_TRUE(NextRecoverySetting());
    EXPECT_EQ(device().ErrScan(), 0x01) << "TB+DCR refused";
}

}  // namespace
}  // namespace kel::diag
