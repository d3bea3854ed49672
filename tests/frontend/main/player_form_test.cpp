// The player against a scripted drive: which requests each button sends, and
// what the window shows of the drive's answers.
#include "frontend/main/player_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTest>

#include "frontend/common/disc_classification.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/msf.h"
#include "tests/frontend/common/scripted_client.h"
#include "ui_player_form.h"
#include "widget_environment.h"

namespace kel::frontend {
namespace {

using Lines = std::vector<std::string>;
using testing::Record;
using testing::TextReply;

constexpr int kDevice = 2;
constexpr int kLetterD = 3;
constexpr std::int32_t kLeadOut = 4500;

// A drive whose audio plays only when told and stands still otherwise.
struct ScriptedAudioDrive {
    int status = 21;
    std::int32_t lba = 0;
    std::int32_t track = 255;
    // The table of contents' reply lines; none: the request only succeeds.
    Lines toc;

    std::optional<Record> answer(const Lines& request) {
        const int code = std::stoi(request[0]);
        if (code == 0x212A && !toc.empty()) {
            return TextReply(toc);
        }
        if (code == 0x1307) {
            std::int32_t m = 0, s = 0, f = 0;
            FramesToMsfParts(lba + 150, m, s, f);
            return TextReply({request[0], "0", "0", "0", "0", "5", "0", "0", std::to_string(m),
                              std::to_string(s), std::to_string(f), std::to_string(lba), "0",
                              std::to_string(track), std::to_string(status), "16"});
        }
        if (code == 0x151C) {
            status = 17;
            lba = std::stoi(request[2]) - 150;
        } else if (code == 0x1523) {
            status = 21;
        } else if (code == 0x1531) {
            status = 18;
        } else if (code == 0x151F) {
            status = 17;
        }
        return TextReply({request[0], "2"});
    }
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WidgetEnvironment::get();
        testing::ResetKelCdData();
        KelCdData.DriveLetterMap[kLetterD] = kDevice;
        KelCdData.DriveNumber = kLetterD;
        KelCdData.TocFirstTrack = 1;
        KelCdData.TocLastTrack = 3;
        KelCdData.TocTrackCount = 3;
        KelCdData.TocLeadOut = kLeadOut;
        setTrack(1, 0, 1000, true);
        setTrack(2, 1000, 2000, false);
        setTrack(3, 3000, 1500, false);
        client_.answer = [this](const Lines& request) { return drive_.answer(request); };
        player_ = std::make_unique<TCDPlayerForm>(client_);
        player_->SetAudioExtent(kLeadOut);
    }
    void TearDown() override {
        player_.reset();
        testing::ResetKelCdData();
    }

    static void setTrack(int number, std::int32_t start, std::int32_t length, bool data) {
        CdTrackRecord& track = KelCdData.TrackTable[static_cast<std::size_t>(number - 1)];
        track.TrackNumber = number;
        track.StartLba = start;
        track.Length = length;
        track.DataTrack = data ? 1 : 0;
    }

    // The requests with `code` since the last call of sent().
    std::vector<Lines> sent(int code) {
        std::vector<Lines> found;
        for (std::size_t i = seen_; i < client_.requests.size(); ++i) {
            if (std::stoi(client_.requests[i][0]) == code) {
                found.push_back(client_.requests[i]);
            }
        }
        return found;
    }
    void forget() { seen_ = client_.requests.size(); }

    void click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Opens the player with the drive playing `track` at `lba`.
    void openPlaying(int track, std::int32_t lba) {
        drive_.status = 17;
        drive_.track = track;
        drive_.lba = lba;
        player_->show();
        forget();
    }

    Ui::TCDPlayerForm& form() { return player_->Form(); }

    testing::ScriptedClient client_;
    ScriptedAudioDrive drive_;
    std::unique_ptr<TCDPlayerForm> player_;
    std::size_t seen_ = 0;
};

TEST_F(PlayerTest, OpensOnTheFirstAudioTrackOfTheDrivesDevice) {
    player_->show();
    auto plays = sent(0x151C);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0], (Lines{"5404", "2", "1150", "4650"}));
    EXPECT_EQ(form().StatusLabel->text(), "Playing");
    EXPECT_EQ(form().CurTrkLabel->text(), "2");
    EXPECT_EQ(form().TotTrkLabel->text(), "3");
    EXPECT_EQ(form().LabelDriveLetter->text(), "D:");
    EXPECT_EQ(form().TotalLenLabel->text(), "1:00");
    EXPECT_FALSE(player_->TrackButton(1)->isEnabled());
    EXPECT_TRUE(player_->TrackButton(2)->isEnabled());
    EXPECT_TRUE(player_->TrackButton(3)->isEnabled());
    EXPECT_FALSE(player_->TrackButton(4)->isEnabled());
    EXPECT_TRUE(player_->UpdateTimer().isActive());
    EXPECT_EQ(KelCdData.DriveNumber, kDevice);
}

TEST_F(PlayerTest, ClosingStopsTheTimerAndGivesTheLetterBack) {
    player_->show();
    player_->close();
    EXPECT_FALSE(player_->UpdateTimer().isActive());
    EXPECT_EQ(KelCdData.DriveNumber, kLetterD);
}

TEST_F(PlayerTest, ReopeningWhileTheDrivePlaysKeepsItPlaying) {
    openPlaying(3, 3200);
    EXPECT_TRUE(sent(0x151C).empty());
    EXPECT_EQ(form().StatusLabel->text(), "Playing");
    EXPECT_EQ(form().CurTrkLabel->text(), "3");
}

TEST_F(PlayerTest, ActivatingTheOpenWindowAgainSendsNothing) {
    player_->show();
    forget();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(player_.get(), &activate);
    player_->show();
    EXPECT_TRUE(client_.requests.size() == seen_);
    EXPECT_EQ(KelCdData.DriveNumber, kDevice);
}

TEST_F(PlayerTest, ALetterWithoutADeviceSendsNothing) {
    KelCdData.DriveLetterMap[kLetterD] = kNoDevice;
    player_->show();
    EXPECT_TRUE(client_.requests.empty());
    EXPECT_FALSE(player_->TrackButton(2)->isEnabled());
    player_->close();
    EXPECT_EQ(KelCdData.DriveNumber, kLetterD);
}

TEST_F(PlayerTest, TheTimerFollowsTheDrivesPosition) {
    openPlaying(2, 1000 + 75 * 5);
    drive_.lba = 1000 + 75 * 7;
    player_->UpdateTimerTimer();
    EXPECT_EQ(form().TrackTimeLabel->text(), "0:05");
    EXPECT_EQ(form().TrackDoneGauge->value(), 6);
    EXPECT_EQ(form().DiskDoneGauge->value(), (1000 + 75 * 7 + 150) / 75 + 1);
}

TEST_F(PlayerTest, AReportedTrackOutsideTheDiscChangesNothing) {
    openPlaying(2, 1100);
    for (int bad : {0, 4, 99, 100, 254, -7}) {
        drive_.track = bad;
        player_->UpdateTimerTimer();
        EXPECT_EQ(KelCdData.SelectedTrack, 2) << bad;
        EXPECT_EQ(form().CurTrkLabel->text(), "2") << bad;
    }
}

TEST_F(PlayerTest, TrackButtonSeeksAndPlaysThatTrack) {
    player_->show();
    forget();
    click(player_->TrackButton(3));
    EXPECT_EQ(sent(0x1521), (std::vector<Lines>{{"5409", "2", "3150"}}));
    EXPECT_EQ(sent(0x151C), (std::vector<Lines>{{"5404", "2", "3150", "4650"}}));
    EXPECT_EQ(form().CurTrkLabel->text(), "3");
}

TEST_F(PlayerTest, PauseThenPauseAgainResumes) {
    player_->show();
    forget();
    click(form().SpeedButtonPause);
    EXPECT_EQ(sent(0x1531).size(), 1u);
    EXPECT_EQ(form().StatusLabel->text(), "Paused");
    EXPECT_TRUE(form().SpeedButtonPause->isChecked());
    forget();
    click(form().SpeedButtonPause);
    EXPECT_EQ(sent(0x151F).size(), 1u);
    EXPECT_TRUE(sent(0x151C).empty()) << "the drive reported playing: no new play";
    EXPECT_EQ(form().StatusLabel->text(), "Playing");
}

TEST_F(PlayerTest, StopTwiceGoesBackToTheFirstAudioTrack) {
    openPlaying(3, 3300);
    click(form().SpeedButtonStop);
    EXPECT_EQ(sent(0x1523).size(), 1u);
    EXPECT_EQ(form().StatusLabel->text(), "Stopped");
    EXPECT_EQ(form().CurTrkLabel->text(), "3");
    click(form().SpeedButtonStop);
    EXPECT_EQ(form().CurTrkLabel->text(), "2");
    EXPECT_EQ(form().TrackTimeLabel->text(), "0:00");
}

TEST_F(PlayerTest, StepBackSetsBothAddressesAndNeverGoesBelowTwoSeconds) {
    openPlaying(2, 1500);
    click(form().SpeedButtonBack);
    EXPECT_EQ(sent(0x151C), (std::vector<Lines>{{"5404", "2", "1275", "4650"}}));
    forget();
    drive_.lba = 100;
    click(form().SpeedButtonBack);
    EXPECT_EQ(sent(0x151C), (std::vector<Lines>{{"5404", "2", "150", "4650"}}));
    forget();
    drive_.lba = 1000;
    player_->SpeedButtonBackDblClick();
    EXPECT_EQ(sent(0x151C), (std::vector<Lines>{{"5404", "2", "150", "4650"}}));
}

TEST_F(PlayerTest, StepForwardFiveThenThirtySeconds) {
    openPlaying(2, 1500);
    // A double click is a click, then the double-click event.
    click(form().SpeedButtonStep);
    const QPointF at(form().SpeedButtonStep->rect().center());
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at,
                            form().SpeedButtonStep->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(form().SpeedButtonStep, &doubleClick);
    auto plays = sent(0x151C);
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0], (Lines{"5404", "2", std::to_string(1500 + 375 + 150), "4650"}));
    EXPECT_EQ(plays[1], (Lines{"5404", "2", std::to_string(1875 + 2250 + 150), "4650"}));
}

TEST_F(PlayerTest, StepsPastTheAudioStopInsteadOfPlaying) {
    // A CD Extra disc: the audio ends well before the lead-out, and the
    // steps land between the two.
    player_->SetAudioExtent(3000);
    openPlaying(2, 1200);
    ASSERT_LT(1200 + 2250, kLeadOut);
    player_->SpeedButtonStepDblClick();
    EXPECT_TRUE(sent(0x151C).empty());
    EXPECT_EQ(sent(0x1523).size(), 1u);
    EXPECT_EQ(form().StatusLabel->text(), "Stopped");
    forget();
    drive_.status = 17;
    drive_.lba = 2700;
    click(form().SpeedButtonStep);
    EXPECT_TRUE(sent(0x151C).empty());
    EXPECT_EQ(sent(0x1523).size(), 1u);
}

TEST_F(PlayerTest, CdExtraPlaysAndStepsOnlyOverItsAudioSession) {
    // 20 s and 40 s of audio; the data session starts after the first
    // session's lead-out at 4500 and the gap of 11400 blocks.
    drive_.toc = {"8490", "1",    "3", "3", "20000", "1",     "0", "0", "1",
                  "2",    "1500", "0", "1", "3",     "15900", "4", "1", "18"};
    DiscClassification disc;
    ASSERT_EQ(ClassifyDisc(client_, kDevice, disc, [](int, DiscDirectory) { return false; }),
              kClassCdExtra);
    KelCdData.DriveNumber = kLetterD;
    player_->SetAudioExtent(disc.AudioExtent);
    player_->show();
    EXPECT_EQ(sent(0x151C).back(), (Lines{"5404", "2", "150", "4650"}));
    EXPECT_EQ(form().TotalLenLabel->text().toStdString(), "1:00");
    player_->close();

    openPlaying(2, 3000);
    EXPECT_EQ(form().TrackLenLabel->text().toStdString(), "0:40");
    player_->SpeedButtonStepDblClick();
    EXPECT_TRUE(sent(0x151C).empty()) << "30 s on is past the audio";
    EXPECT_EQ(sent(0x1523).size(), 1u);
    EXPECT_EQ(form().StatusLabel->text().toStdString(), "Stopped");
}

TEST_F(PlayerTest, NextAndPreviousWrapOverTheAudioTracks) {
    openPlaying(3, 3000 + 200);
    click(form().SpeedButtonNext);
    EXPECT_EQ(form().CurTrkLabel->text(), "2") << "next on the last wraps to the first audio";
    EXPECT_EQ(sent(0x151C).back()[2], "1150");
    forget();
    drive_.lba = 1000 + 10;
    click(form().SpeedButtonPrev);
    EXPECT_EQ(form().CurTrkLabel->text(), "3") << "previous on the first audio wraps to the last";
    forget();
    drive_.lba = 3000 + 100;
    click(form().SpeedButtonPrev);
    EXPECT_EQ(form().CurTrkLabel->text(), "3") << "more than 32 frames in: restart";
    EXPECT_EQ(sent(0x151C).back()[2], "3150");
}

TEST_F(PlayerTest, NextWhilePausedWaitsPausedOnTheNewTrack) {
    openPlaying(2, 1200);
    drive_.status = 18;
    click(form().SpeedButtonNext);
    auto plays = sent(0x151C);
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0][2], "3150");
    EXPECT_EQ(sent(0x1531).size(), 1u);
}

}  // namespace
}  // namespace kel::frontend
