// The error-summary command and its dialog on discs in the emulated drive:
// what stops the command before the dialog, scans started, stopped and
// judged in the dialog, and what the command leaves behind.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/tools/errscan/error_history.h"
#include "diag/tools/errscan/error_summary.h"
#include "diag/tools/errscan/error_summary_dialog.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "diag/ui/guides.h"
#include "emulated_disc.h"
#include "scan_clocks.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

class ErrorSummaryTest : public testing::EmulatedDiscTest {
protected:
    void SetUp() override {
        test::app();
        EmulatedDiscTest::SetUp();
        SetScanClock(std::make_shared<testing::EvenClock>());
        // Every case meets the guides as a new user does; an earlier case may
        // have ticked them off.
        SetGuideFlags((1u << kGuideCount) - 1);
    }
    void TearDown() override {
        SetScanClock(nullptr);
        EmulatedDiscTest::TearDown();
    }

    // A drive whose setting is known, so that one pass is enough.
    void insertData(const std::string& sections = "") {
        const testing::BuiltImage* disc = testing::DataDisc();
        ASSERT_NE(disc, nullptr);
        insert(*disc, sections);
        device().SetErrScan(0x06);
        device().SetDevReg(true);
    }

    // Runs the command; `inspect` gets the dialog once it is up and closes
    // it when done.
    void runWith(std::function<void(ErrorSummaryDialog&)> inspect) {
        bool ran = false;
        auto* timer = new QTimer(&test::app());
        QObject::connect(timer, &QTimer::timeout, timer, [&ran, timer, inspect] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<ErrorSummaryDialog*>(widget);
                if (dialog != nullptr && dialog->isVisible()) {
                    timer->stop();
                    timer->deleteLater();
                    ran = true;
                    inspect(*dialog);
                    return;
                }
            }
        });
        timer->start(5);
        RunErrorSummary();
        EXPECT_TRUE(ran);
    }

    static QPushButton* button(ErrorSummaryDialog& d, const char* name) {
        return d.findChild<QPushButton*>(name);
    }
    static std::string result(ErrorSummaryDialog& d) {
        return d.findChild<QLabel*>("result")->text().toStdString();
    }
    // Chooses a scan, starts it and waits for its end.
    static void scan(ErrorSummaryDialog& d, const char* choice) {
        QSignalSpy finished(&d, &ErrorSummaryDialog::scanFinished);
        d.findChild<QRadioButton*>(choice)->setChecked(true);
        button(d, "start")->click();
        EXPECT_TRUE(d.scanRunning());
        EXPECT_EQ(button(d, "cancel")->text(), "Stop");
        EXPECT_FALSE(button(d, "help")->isEnabled());
        ASSERT_TRUE(finished.wait(60000));
    }
};

TEST_F(ErrorSummaryTest, CompleteScanOfABadDisc) {
    // Blocks 1000-1100 fail the 13 reads from 1000 to 1096.
    insertData("[faults]\nhard = 1000-1100\n");
    const std::int32_t samples = (Tracks().last->start - 16 + 7) / 8;
    const std::int32_t rate = 13 * 10000 / samples;
    const std::string unreadable = std::to_string(rate / 100) + "." +
                                   std::to_string(rate % 100 / 10) + std::to_string(rate % 10) +
                                   "% unreadable.";
    runWith([unreadable](ErrorSummaryDialog& d) {
        scan(d, "completeScan");
        EXPECT_FALSE(d.scanRunning());
        EXPECT_TRUE(result(d).starts_with("Disc appears to be bad, ")) << result(d);
        EXPECT_TRUE(result(d).ends_with("0.00% recoverable, " + unreadable)) << result(d);
        EXPECT_TRUE(d.findChild<QLabel*>("icon")->isVisible());
        EXPECT_FALSE(d.findChild<QProgressBar*>("progress")->isVisible());
        EXPECT_EQ(button(d, "cancel")->text(), "Close");
        EXPECT_TRUE(button(d, "help")->isEnabled());
        // Choosing another scan hides the old result.
        d.findChild<QRadioButton*>("quickScan")->setChecked(true);
        EXPECT_FALSE(d.findChild<QLabel*>("result")->isVisible());
        button(d, "cancel")->click();
    });
    const ErrorHistory history = ReadErrorHistory();
    EXPECT_EQ(history.count, 1);
    EXPECT_EQ(history.unreadable[0], rate);
}

TEST_F(ErrorSummaryTest, QuickScanOfAGoodDiscAddsToTheHistory) {
    insertData();
    ErrorHistory earlier;
    earlier.count = 2;
    earlier.recovered = {7, 8};
    WriteErrorHistory(earlier);
    runWith([](ErrorSummaryDialog& d) {
        scan(d, "quickScan");
        EXPECT_TRUE(result(d).starts_with("Disc appears OK, ")) << result(d);
        EXPECT_TRUE(result(d).ends_with("\n0.00% recoverable, 0.00% unreadable.")) << result(d);
        d.reject();
    });
    const ErrorHistory history = ReadErrorHistory();
    EXPECT_EQ(history.count, 3);
    EXPECT_EQ(history.recovered[0], 7);
    EXPECT_EQ(history.recovered[2], 0);
}

TEST_F(ErrorSummaryTest, StoppedScanIsIncomplete) {
    // Slow sectors late on the disc give the test time to press Stop.
    insertData("[faults]\nmarginal = 6000-6200\n");
    device().SetErrScan(0);
    runWith([](ErrorSummaryDialog& d) {
        QSignalSpy finished(&d, &ErrorSummaryDialog::scanFinished);
        d.findChild<QRadioButton*>("completeScan")->setChecked(true);
        button(d, "start")->click();
        auto* progress = d.findChild<QProgressBar*>("progress");
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible() && progress->value() >= 50, 60000);
        button(d, "start")->click();  // nothing while a scan runs
        d.reject();                   // Escape stops, it does not close
        EXPECT_TRUE(d.isVisible());
        ASSERT_TRUE(finished.wait(60000));
        EXPECT_TRUE(result(d).starts_with("Incomplete!  ")) << result(d);
        EXPECT_FALSE(d.findChild<QLabel*>("icon")->isVisible());
        d.reject();
    });
    EXPECT_EQ(device().cancelled, 0);
    EXPECT_EQ(ReadErrorHistory().count, 0);
}

// Stop pressed before the first sample was read: the user learns nothing
// of the disc, and neither does the history.
TEST_F(ErrorSummaryTest, ScanStoppedAtOnceIsNeitherJudgedNorSaved) {
    insertData();
    // The pass takes its start time just before its first read.
    class StopAtStart final : public ScanClock {
    public:
        std::int64_t counter() override { return ++ticks_; }
        std::int64_t milliseconds() override {
            if (CdDevice* device = CurrentDevice(); device != nullptr && ticks_ == 0) {
                device->SetCancel();
            }
            return 0;
        }

    private:
        std::int64_t ticks_ = 0;
    };
    SetScanClock(std::make_shared<StopAtStart>());
    runWith([](ErrorSummaryDialog& d) {
        scan(d, "completeScan");
        EXPECT_TRUE(result(d).starts_with("Incomplete!  0 sectors per second")) << result(d);
        EXPECT_FALSE(d.findChild<QLabel*>("icon")->isVisible());
        d.reject();
    });
    EXPECT_EQ(ReadErrorHistory().count, 0);
}

TEST_F(ErrorSummaryTest, StartNeedsAScanType) {
    insertData();
    runWith([this](ErrorSummaryDialog& d) {
        button(d, "start")->click();
        EXPECT_FALSE(d.scanRunning());
        EXPECT_EQ(messages, std::vector<int>{144});
        d.reject();
    });
}

TEST_F(ErrorSummaryTest, HelpOpensItsContext) {
    insertData();
    std::vector<int> contexts;
    SetErrorSummaryHelp([&contexts](int context) { contexts.push_back(context); });
    runWith([](ErrorSummaryDialog& d) {
        button(d, "help")->click();
        d.reject();
    });
    SetErrorSummaryHelp({});
    EXPECT_EQ(contexts, std::vector<int>{4});
}

TEST_F(ErrorSummaryTest, DiscsThatCannotBeScanned) {
    insertData();
    clearTrackList();
    RunErrorSummary();
    auto blank = std::make_unique<TrackInfo>();
    blank->flags = track_flags::kBlank;
    Tracks() = TrackList{blank.get(), blank.get()};
    RunErrorSummary();
    Tracks() = TrackList{};

    const testing::BuiltImage* audio = testing::AudioDisc();
    ASSERT_NE(audio, nullptr);
    insert(*audio);
    device().SetCDDAScan(false);
    RunErrorSummary();
    EXPECT_EQ(messages, (std::vector<int>{170, 170, 167}));
}

TEST_F(ErrorSummaryTest, DriveNotReady) {
    insertData();
    ASSERT_TRUE(device().LoadEject(true));
    RunErrorSummary();
    EXPECT_EQ(messages.back(), 108);
}

TEST_F(ErrorSummaryTest, UdfDiscsGetTheGuideFirst) {
    insertData();
    track(0).flags |= track_flags::kUdf;
    runWith([](ErrorSummaryDialog& d) { d.reject(); });
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), 255);
}

TEST_F(ErrorSummaryTest, RecoverySettingIsUsedAndPutBack) {
    insertData("[faults]\nmarginal = 2000-2003\n");
    device().SetDevReg(false);
    PrepareErrorRecovery();
    ASSERT_EQ(ProbedRecoverySetting(), 0x06);
    runWith([](ErrorSummaryDialog& d) {
        scan(d, "completeScan");
        EXPECT_TRUE(result(d).find("recoverable") != std::string::npos);
        d.reject();
    });
    EXPECT_EQ(device().ErrScan(), 0x06);
    EXPECT_TRUE(device().DevReg()) << "confirmed by the scan that found its errors";
    std::uint16_t page = 0;
    ASSERT_TRUE(device().SetErrorRecovery(0x0005, &page));
    EXPECT_EQ(page, 0x000A) << "the page as the command found it";
}

}  // namespace
}  // namespace kel::diag
