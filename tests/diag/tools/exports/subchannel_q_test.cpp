// The Q sub-channel export on audio discs in the emulated drive: the lines
// it writes, where it stops early, and the drive's CD-DA mode afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "diag/device/device_access.h"
#include "diag/tools/exports/save_text_dialog.h"
#include "diag/tools/exports/subchannel_q.h"
#include "emulated_disc.h"
#include "file_size_limit.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

// Two short audio tracks; the first carries graphics, so the disc has a
// sub-channel file whose Q channel the drive reads back.
const testing::BuiltImage* QDisc() {
    return testing::BuildImage("qexport",
                               "layout = audio\n[audio]\nlength = 40\ncdg = memory-preset "
                               "colour=1\n[audio]\nlength = 30\n");
}

std::uint8_t Bcd(int value) {
    return static_cast<std::uint8_t>(value / 10 << 4 | value % 10);
}

// The Q bytes a drive reports for `block` of an audio track: ADR 1, track,
// index 1, time in the track, a zero, time on the disc.
std::string ExpectedQStart(int track, int block, int trackStart) {
    const int relative = block - trackStart;
    const int absolute = block + 150;
    const int bytes[] = {0x01,
                         Bcd(track),
                         0x01,
                         Bcd(relative / 4500),
                         Bcd(relative / 75 % 60),
                         Bcd(relative % 75),
                         0x00,
                         Bcd(absolute / 4500),
                         Bcd(absolute / 75 % 60),
                         Bcd(absolute % 75)};
    std::string text;
    char hex[4];
    for (int byte : bytes) {
        std::snprintf(hex, sizeof hex, "%02x ", byte);
        text += hex;
    }
    return text;
}

class SubchannelQExport : public testing::EmulatedDiscTest {
protected:
    void SetUp() override {
        test::app();
        EmulatedDiscTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        const testing::BuiltImage* disc = QDisc();
        ASSERT_NE(disc, nullptr);
        insert(*disc);
        answer_ = (folder_ / "q.txt").string();
        SetSaveTextDialog([this](const SaveTextRequest& request) {
            titles_.push_back(request.title);
            return answer_;
        });
    }
    void TearDown() override {
        SetSaveTextDialog({});
        EmulatedDiscTest::TearDown();
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(answer_);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string answer_;
    std::vector<std::string> titles_;
};

TEST_F(SubchannelQExport, OneLineOfQBytesForEachBlockOfTheTrack) {
    for (std::size_t index : {0u, 1u}) {
        const TrackInfo& audio = track(index);
        SaveSubchannelQ(audio);
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(audio.end - audio.start));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int block = audio.start + static_cast<int>(i);
            char number[16];
            std::snprintf(number, sizeof number, "%6d: ", block);
            EXPECT_EQ(lines[i].substr(0, 8 + 30),
                      number + ExpectedQStart(audio.track, block, audio.start))
                << "block " << block;
            EXPECT_EQ(lines[i].size(), 8u + 16u * 3u);
        }
        EXPECT_EQ(device().cddaMode, 0);
    }
    EXPECT_EQ(titles_, std::vector<std::string>(2, "Save Subchannel Q Data"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(SubchannelQExport, CancelKeepsTheLinesReadSoFar) {
    bool checked = false;
    QTimer::singleShot(0, [&checked] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "readingProgress" && widget->isVisible()) {
                EXPECT_EQ(widget->windowTitle(), "Reading...");
                auto* bar = widget->findChild<QProgressBar*>("progress");
                ASSERT_NE(bar, nullptr);
                EXPECT_EQ(bar->minimum(), 0);
                EXPECT_EQ(bar->maximum(), 40);
                widget->findChild<QPushButton*>("cancel")->click();
                // A close request does not end the export.
                widget->close();
                EXPECT_TRUE(widget->isVisible());
                checked = true;
            }
        }
    });
    SaveSubchannelQ(track(0));
    EXPECT_TRUE(checked);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(device().cddaMode, 0);
    EXPECT_EQ(device().cancelled, 0) << "later commands keep their retries";
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_NE(widget->objectName(), "readingProgress");
    }
}

TEST_F(SubchannelQExport, ReadFailureEndsTheFileAtTheBlockBefore) {
    const testing::BuiltImage* disc = QDisc();
    insert(*disc, "[faults]\nhard = 12\n");
    SaveSubchannelQ(track(0));
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_TRUE(lines[7].starts_with("     7: 01 01 01 00 00 07 00 00 02 07 "));
    EXPECT_EQ(device().cddaMode, 0);
}

TEST_F(SubchannelQExport, WithoutADriveItSaysSo) {
    SetCurrentDevice(nullptr);
    SaveSubchannelQ(track(0));
    EXPECT_EQ(messages, std::vector<int>{102});
    EXPECT_TRUE(titles_.empty());
}

TEST_F(SubchannelQExport, RefusedTracksDrivesAndFilesEndBeforeReading) {
    TrackInfo& leadOut = track(2);
    SaveSubchannelQ(leadOut);
    TrackInfo data = track(0);
    data.control = 0x14;
    SaveSubchannelQ(data);
    EXPECT_EQ(messages, std::vector<int>({190, 190}));
    EXPECT_TRUE(titles_.empty());

    // The user cancels the dialog, or the file can't be made.
    messages.clear();
    answer_.clear();
    SaveSubchannelQ(track(0));
    answer_ = (folder_ / "missing" / "q.txt").string();
    SaveSubchannelQ(track(0));
    EXPECT_EQ(messages, std::vector<int>({131}));
    EXPECT_EQ(device().cddaMode, 0);

    // Writing fails (a full disk).
    messages.clear();
    answer_ = (folder_ / "q.txt").string();
    {
        testing::FileSizeLimit full(100);
        SaveSubchannelQ(track(1));
    }
    EXPECT_EQ(messages, std::vector<int>({132}));
    EXPECT_EQ(device().cddaMode, 0);

    // A drive that can't read audio.
    messages.clear();
    titles_.clear();
    device().profile->CDDAScan = 0;
    SaveSubchannelQ(track(0));
    EXPECT_EQ(messages, std::vector<int>({191}));
    EXPECT_TRUE(titles_.empty());
    EXPECT_EQ(device().quiet, 0);
}

}  // namespace
}  // namespace kel::diag
