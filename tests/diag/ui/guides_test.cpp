#include "diag/ui/guides.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>

#include "diag/ui/messages.h"
#include "qt_app.h"

namespace kel::diag {
namespace {

using test::button;
using test::whenDialogShown;

class GuidesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        SetMessageResponder({});
        SetGuideFlags(0x3FF);
        saves = 0;
        SetGuideSaver([this] { ++saves; });
    }
    void TearDown() override {
        SetGuideSaver({});
        SetGuideFlags(0x3FF);
    }

    // Shows guide 254 with `flag`, ticks the box when asked, then ends it with
    // `press` ("" for the close box).
    int answerGuide(int flag, bool tick, const char* press) {
        whenDialogShown([=, this](MessageDialogWindow* dialog) {
            text = dialog->findChild<QLabel*>("messageText")->text();
            dialog->findChild<QCheckBox*>("guideCheck")->setChecked(tick);
            if (*press == '\0') {
                dialog->close();
            } else {
                button(dialog, press)->click();
            }
        });
        return ShowGuide(254, flag);
    }

    std::atomic<int> saves{0};
    QString text;
};

TEST_F(GuidesTest, ATickedGuideAnswersOneAndIsClearedAndSaved) {
    EXPECT_EQ(answerGuide(kGuideAfterScan, true, "button1"), 1);
    EXPECT_TRUE(text.startsWith("Your disc has been scanned and the directory is displayed here."));
    EXPECT_EQ(GuideFlags(), 0x3FEu);
    EXPECT_EQ(saves, 1);
}

TEST_F(GuidesTest, AnUntickedGuideAnswersZeroAndChangesNothing) {
    EXPECT_EQ(answerGuide(kGuideErrorSummary, false, "button2"), 0);
    EXPECT_EQ(GuideFlags(), 0x3FFu);
    EXPECT_EQ(saves, 0);
}

TEST_F(GuidesTest, AClosedGuideAnswersItsCheckBox) {
    EXPECT_EQ(answerGuide(kGuideErrorSummary, true, ""), 1);
    EXPECT_EQ(GuideFlags(), 0x3FDu);
    EXPECT_EQ(answerGuide(kGuideAfterScan, false, ""), 0);
}

TEST_F(GuidesTest, AClearedOrUnknownFlagShowsNothing) {
    SetGuideFlags(0x3FE);
    SetMessageResponder([](int, std::uint16_t, const std::string&) -> int {
        ADD_FAILURE() << "a guide was shown";
        return 1;
    });
    EXPECT_EQ(ShowGuide(254, kGuideAfterScan), 0);
    EXPECT_EQ(ShowGuide(254, -1), 0);
    EXPECT_EQ(ShowGuide(254, kGuideCount), 0);
    SetMessageResponder({});
}

TEST_F(GuidesTest, AWorkersGuideIsShownByTheMainThread) {
    bool onMainThread = false;
    whenDialogShown([&](MessageDialogWindow* dialog) {
        onMainThread = dialog->thread() == test::app().thread();
        dialog->findChild<QCheckBox*>("guideCheck")->setChecked(true);
        button(dialog, "button1")->click();
    });
    int result = -1;
    test::runOnWorker([&] { result = ShowGuide(255, kGuideErrorSummary); });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(GuideFlags(), 0x3FDu);
}

}  // namespace
}  // namespace kel::diag
