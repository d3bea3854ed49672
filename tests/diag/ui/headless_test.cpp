// Messages in a process without a QApplication (a run without a window
// system): nothing is shown, nothing blocks, and each call says what it
// would have shown on standard error.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "diag/ui/guides.h"
#include "diag/ui/messages.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

TEST(Headless, MessagesAreAnsweredAsIfClosed) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessage(MessageArg(3010, style::kOkCancel), "Drive X"), answer::kCancel);
    EXPECT_EQ(ShowMessage(MessageArg(244, style::kYesNo | style::kSecondDefault)), answer::kNo);
    int fromWorker = 0;
    std::thread([&] { fromWorker = ShowMessage(102); }).join();
    EXPECT_EQ(fromWorker, answer::kCancel);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("There is no media in the Drive X device."), std::string::npos);
    EXPECT_NE(said.find("No CD-ROM drive selected."), std::string::npos);
}

TEST(Headless, GuidesAndProgressShowNothing) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowGuide(254, kGuideAfterScan), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(GuideFlags(), 0x3FFu);
    CreateProgressDialog();
    AdvanceProgress();
    CloseProgressDialog();
    EXPECT_FALSE(ProgressDialogExists());
}

}  // namespace
}  // namespace kel::diag
