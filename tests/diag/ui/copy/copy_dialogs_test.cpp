// The copy's questions as the program's messages ask them, the summary of
// what was lost, and the image dialog's first choice.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QSpinBox>

#include "diag/ui/copy/copy_dialogs.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"
#include "tests/diag/support/test_app.h"

namespace kel::diag {
namespace {

class CopyDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        test::app();
        SetMessageResponder([this](int id, std::uint16_t styleWord, const std::string& text) {
            asked_.push_back({id, styleWord, text});
            return answer_;
        });
    }
    void TearDown() override { SetMessageResponder({}); }

    struct Asked {
        int id;
        std::uint16_t style;
        std::string text;
    };
    std::vector<Asked> asked_;
    int answer_ = answer::kOk;
};

TEST_F(CopyDialogs, ReadErrorsAskToRetrySkipOrStop) {
    testing::MemoryDevice device;
    DialogQuestions questions(nullptr, device);
    const std::pair<int, ReadErrorChoice> cases[] = {{answer::kYes, ReadErrorChoice::Retry},
                                                     {answer::kNo, ReadErrorChoice::Skip},
                                                     {answer::kCancel, ReadErrorChoice::Stop}};
    for (const auto& [given, choice] : cases) {
        answer_ = given;
        EXPECT_EQ(questions.readError("docs/Manual.pdf", 4711), choice) << given;
    }
    ASSERT_EQ(asked_.size(), 3u);
    EXPECT_EQ(asked_[0].id, 10003);
    EXPECT_EQ(asked_[0].style, style::kYesNoCancel);
    EXPECT_NE(asked_[0].text.find("Block 4711 of docs/Manual.pdf"), std::string::npos);

    answer_ = answer::kNo;
    EXPECT_FALSE(questions.overwrite("/tmp/x/README.TXT"));
    answer_ = answer::kYes;
    EXPECT_TRUE(questions.overwrite("/tmp/x/README.TXT"));
    EXPECT_EQ(asked_.back().id, 10002);

    EXPECT_TRUE(questions.progress(1, 2));
    device.SetCancel();
    EXPECT_FALSE(questions.progress(2, 2)) << "Cancel stops the copy";
}

TEST_F(CopyDialogs, TheSummaryListsWhatWasLost) {
    ShowCopyOutcome({});
    EXPECT_TRUE(asked_.empty()) << "nothing to say after a whole copy";

    CopyOutcome outcome;
    for (int block = 0; block < 10; ++block) {
        outcome.lost.push_back({"a/b.dat", 1000 + block});
    }
    outcome.problems.push_back("c.dat: the data fork is not in one piece");
    ShowCopyOutcome(outcome);
    ASSERT_EQ(asked_.size(), 2u);
    EXPECT_EQ(asked_[0].id, 10005);
    EXPECT_NE(asked_[0].text.find("10 blocks"), std::string::npos);
    EXPECT_NE(asked_[0].text.find("a/b.dat: block 1000"), std::string::npos);
    EXPECT_NE(asked_[0].text.find("... and 2 more"), std::string::npos);
    EXPECT_EQ(asked_[1].id, 10006);
    EXPECT_NE(asked_[1].text.find("c.dat: the data fork"), std::string::npos);
}

TEST_F(CopyDialogs, TheImageDialogOffersTheWholeTrack) {
    TrackInfo data;
    data.start = 150;
    data.end = 2150;
    data.control = 0x14;
    const TrackImageDialog dataDialog(nullptr, data);
    EXPECT_EQ(dataDialog.range().first, 150);
    EXPECT_EQ(dataDialog.range().count, 2000);
    EXPECT_FALSE(dataDialog.range().raw);
    EXPECT_TRUE(dataDialog.rawBox()->isEnabled());

    TrackInfo audio = data;
    audio.control = 0x10;
    const TrackImageDialog audioDialog(nullptr, audio);
    EXPECT_TRUE(audioDialog.range().raw) << "audio has no cooked form";
    EXPECT_TRUE(audioDialog.range().audio);
    EXPECT_FALSE(audioDialog.rawBox()->isEnabled());
}

}  // namespace
}  // namespace kel::diag
