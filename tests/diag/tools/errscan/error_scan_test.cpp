// The scan worker on discs in the emulated drive: how samples are laid out,
// which tracks it reads, how read errors are counted and logged, the
// estimate from slow reads, stopping, and the passes over the recovery
// settings.
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <QApplication>
#include <QTimer>

#include "diag/fs/file_node.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/errscan/disc_end.h"
#include "diag/tools/errscan/error_scan.h"
#include "diag/tools/errscan/recovery_setting.h"
#include "diag/tools/errscan/scan_result.h"
#include "diag/tools/sector/sector_display.h"
#include "diag/tools/sector/sector_display_dialog.h"
#include "emulated_disc.h"
#include "scan_clocks.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

TEST(PlanSamples, QuickScanSpreadsItsSamplesOverTheDisc) {
    const SamplePlan plan = PlanSamples(ScanMode(500, kQuickSectors), 300000);
    EXPECT_EQ(plan.samples, 500);
    EXPECT_EQ(plan.sectors, 3);
    EXPECT_EQ(300000 / plan.samples, 600) << "one sample every 600 blocks";
}

TEST(PlanSamples, SamplesBeyondTheDiscBecomeACompleteScan) {
    SamplePlan plan = PlanSamples(ScanMode(500, kQuickSectors), 1000);
    EXPECT_EQ(plan.sectors, 8);
    EXPECT_EQ(plan.samples, 125);
    plan = PlanSamples(kCompleteScan, 8800);
    EXPECT_EQ(plan.sectors, 8);
    EXPECT_EQ(plan.samples, 1100);
    EXPECT_EQ(PlanSamples(ScanMode(0, kQuickSectors), 8800).samples, 1) << "at least one";
    EXPECT_EQ(PlanSamples(kCompleteScan, 5).samples, 1);
}

TEST(PlanSamples, ModeHoldsAnySampleCount) {
    EXPECT_EQ(ScanMode(10000, kModerateSectors), 1000005);
    EXPECT_GT(ScanMode(2000000000, kModerateSectors), 0) << "no overflow into a negative mode";
    EXPECT_EQ(ScanMode(2000000000, kModerateSectors) % 100, 5);
}

// Data 0-1000, audio 1150-2000, a data track of a later session 13400-14000,
// the lead-out.
class ScanTrackList : public ::testing::Test {
protected:
    ScanTrackList() {
        set(records_[0], 0, 1000, 0x14, 1);
        set(records_[1], 1150, 2000, 0x10, 2);
        set(records_[2], 13400, 14000, 0x14, 3);
        set(records_[3], 14000, 0, 0x14, kLeadOutTrack);
        for (int i = 0; i < 3; ++i) {
            records_[i].next = &records_[i + 1];
            records_[i + 1].prev = &records_[i];
        }
        list_ = {&records_[0], &records_[3]};
    }
    static void set(TrackInfo& t, int start, int end, std::uint8_t control, std::uint8_t number) {
        t.start = start;
        t.end = end;
        t.control = control;
        t.track = number;
    }
    TrackInfo records_[4];
    TrackList list_;
};

TEST_F(ScanTrackList, PositionsMoveToTheTrackThatCanBeRead) {
    std::int32_t position = 500;
    EXPECT_EQ(FindScanTrack(list_, position, false), &records_[0]);
    EXPECT_EQ(position, 500);
    position = 1000;  // the first track's end: into the gap before track 2
    EXPECT_EQ(FindScanTrack(list_, position, true), &records_[1]);
    EXPECT_EQ(position, 1150);
    position = 1000;
    EXPECT_EQ(FindScanTrack(list_, position, false), &records_[2]) << "audio passed over";
    EXPECT_EQ(position, 13400);
    position = 5000;  // between the sessions
    EXPECT_EQ(FindScanTrack(list_, position, true), &records_[2]);
    EXPECT_EQ(position, 13400);
    position = 14000;
    EXPECT_EQ(FindScanTrack(list_, position, true), nullptr) << "the lead-out ends the pass";
    EXPECT_EQ(DiscEndBlock(list_), 14000);
}

class ErrorScanTest : public testing::EmulatedDiscTest {
protected:
    void SetUp() override {
        EmulatedDiscTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        state_.clock = std::make_shared<testing::EvenClock>();
        state_.progress = [this](int percent) {
            progress_.push_back(percent);
            if (onProgress_) {
                onProgress_(percent);
            }
        };
        // The dialog may start the next scan as soon as it hears of the end.
        state_.ended = [this] {
            ++ended_;
            flagsAtEnd_ = device().quiet + device().errorClassifying;
        };
    }

    void insertData(const std::string& sections = "") {
        const testing::BuiltImage* disc = testing::DataDisc();
        ASSERT_NE(disc, nullptr);
        insert(*disc, sections);
        // One pass with the setting the drive has confirmed.
        device().SetErrScan(0x06);
        device().SetDevReg(true);
    }

    void scan(int mode) {
        state_.discEnd = DiscEndBlock(Tracks());
        map_.assign(static_cast<std::size_t>(TimeSlotCount(state_.discEnd)), 0);
        state_.readTimes = map_;
        ErrorScanThread(mode, state_);
        EXPECT_EQ(ended_, 1);
        EXPECT_EQ(flagsAtEnd_, 0) << "quiet and errorClassifying cleared before the notice";
    }

    // The dialog's result for the scan just run, without unreadable blocks.
    ScanResult judge(ErrorHistory& history) {
        const ScanCounts counts{.samples = state_.samplesRead,
                                .recovered = device().recoveredCount,
                                .unreadable = 0,
                                .sectorsRead = state_.sectorsRead,
                                .elapsedMs = state_.elapsedMs,
                                .stopped = false};
        return BuildScanResult(counts, history, false);
    }

    int passes() const {
        return static_cast<int>(std::count(progress_.begin(), progress_.end(), 0)) - 1;
    }

    std::string errorLog() const {
        std::ifstream in(Options().errorLogFile, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::uint32_t> map_;
    ScanState state_;
    std::vector<int> progress_;
    std::function<void(int)> onProgress_;
    int ended_ = 0;
    int flagsAtEnd_ = -1;
};

TEST_F(ErrorScanTest, CompleteScanReadsEveryBlockAndCountsEachErrorClass) {
    // Blocks 3000-3007 are one read of a complete scan (16 + 8k).
    insertData("[faults]\nhard = 3000-3007, 6000\nother = 7000\n");
    scan(kCompleteScan);
    EXPECT_EQ(state_.sectorsRead, state_.discEnd - 16);
    EXPECT_EQ(device().mediumErrorCount, 2u);
    EXPECT_EQ(device().otherErrorCount, 1u);
    EXPECT_EQ(device().recoveredCount, 0u);
    EXPECT_EQ(passes(), 1);
    EXPECT_EQ(progress_.back(), 99);
    EXPECT_TRUE(messages.empty()) << "read errors of a scan raise no message";
}

// The disc scan ends a data track at its last file; the blocks behind it up
// to the lead-out are the track's too, and a complete scan reads them.
TEST_F(ErrorScanTest, CompleteScanReadsTheTrackBehindItsLastFile) {
    const testing::BuiltImage* disc = testing::DataDisc();
    ASSERT_NE(disc, nullptr);
    const std::int32_t leadOut = disc->plan.leadOut;
    insertData("[faults]\nhard = " + std::to_string(leadOut - 100) + ", " +
               std::to_string(leadOut - 1) + "\n");
    track(0).end = leadOut - 150;
    scan(kCompleteScan);
    EXPECT_EQ(state_.sectorsRead, leadOut - 16);
    EXPECT_EQ(device().mediumErrorCount, 2u);
}

TEST_F(ErrorScanTest, QuickScanReadsItsSamplesAlone) {
    insertData("[faults]\nhard = 20-8000\n");
    // With samples every 17 blocks, nearly every sample falls on a bad block:
    // only the samples are read, and each counts once.
    scan(ScanMode(500, kQuickSectors));
    EXPECT_EQ(state_.samplesRead,
              (state_.discEnd - 16 + state_.discEnd / 500 - 1) / (state_.discEnd / 500));
    EXPECT_EQ(state_.sectorsRead, state_.samplesRead * 3);
    EXPECT_GT(device().mediumErrorCount, 400u);
    EXPECT_LE(device().mediumErrorCount, static_cast<std::uint32_t>(state_.samplesRead));
}

TEST_F(ErrorScanTest, RecoveredErrorsNeedTheSettingThatPostsThem) {
    insertData("[faults]\nmarginal = 4000-4003\n");
    ASSERT_TRUE(device().SetErrorRecovery(0x06FF, nullptr));  // PER+DTE
    scan(kCompleteScan);
    EXPECT_EQ(device().recoveredCount, 1u);
    EXPECT_EQ(device().mediumErrorCount, 0u);
}

TEST_F(ErrorScanTest, IgnRecoveredAcceptsCorrectedReads) {
    insertData("[faults]\nmarginal = 4000-4003\n");
    ASSERT_TRUE(device().SetErrorRecovery(0x06FF, nullptr));
    Options().ignoreRecovered = 1;
    scan(kCompleteScan);
    EXPECT_EQ(device().recoveredCount, 0u);
    EXPECT_EQ(device().mediumErrorCount + device().otherErrorCount, 0u);
}

TEST_F(ErrorScanTest, SlowRegionWithoutReportedErrorsIsEstimated) {
    // The drive corrects the sectors without telling; only their time shows
    // them, wherever in its slot of 900 blocks the slow spot lies.
    const struct {
        const char* marginal;
        std::size_t slot;
        const char* personality;
    } spots[] = {{"5360-5399", 5, "mmc"},
                 {"6000-6049", 6, "mmc"},
                 {"4504-4553", 5, "mmc"},
                 {"6000-6049", 6, "scsi2"}};
    for (const auto& spot : spots) {
        insertData(std::string("[drive]\npersonality = ") + spot.personality +
                   "\n[faults]\nmarginal = " + spot.marginal + "\n");
        state_.clock = std::make_shared<testing::RetryAwareClock>();
        ended_ = 0;
        scan(kCompleteScan);
        EXPECT_EQ(device().recoveredCount, 900u / 8)
            << spot.marginal << " " << spot.personality << ": the samples one slot stands for";
        EXPECT_GT(map_[spot.slot], map_[spot.slot - 2] * 100)
            << spot.marginal << " " << spot.personality;
    }
}

// A read on a busy machine is timed without the time its thread then waited
// for a processor: here the thread shares one with three busy loops, and
// runs about a quarter of the time it is ready to.
TEST(SystemScanClock, LeavesOutTheTimeTheThreadWaitedForAProcessor) {
    std::atomic<bool> stop{false};
    // The processor this test runs on is one it may use.
    const int processor = ::sched_getcpu();
    ASSERT_GE(processor, 0);
    auto onThatProcessor = [processor] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(processor, &one);
        return ::sched_setaffinity(0, sizeof one, &one) == 0;
    };
    std::vector<std::thread> busy;
    for (int i = 0; i < 3; ++i) {
        busy.emplace_back([&] {
            onThatProcessor();
            while (!stop.load(std::memory_order_relaxed)) {
            }
        });
    }
    std::int64_t counted = 0;
    bool backwards = false;
    std::chrono::steady_clock::duration passed{};
    std::thread timed([&] {
        ASSERT_TRUE(onThatProcessor());
        ScanClock& clock = *systemScanClock();
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t first = clock.counter();
        // Never backwards, however the thread is held up between its looks:
        // a read's time is the difference of two of them.
        std::int64_t last = first;
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200)) {
            const std::int64_t now = clock.counter();
            backwards = backwards || now < last;
            last = now;
        }
        counted = clock.counter() - first;
        passed = std::chrono::steady_clock::now() - start;
    });
    timed.join();
    stop = true;
    for (std::thread& loop : busy) {
        loop.join();
    }
    const std::int64_t passedTicks =
        std::chrono::duration_cast<std::chrono::microseconds>(passed).count() *
        kCounterTicksPerSecond / 1'000'000;
    EXPECT_FALSE(backwards);
    EXPECT_GT(counted, 0);
    EXPECT_LT(counted, passedTicks / 2) << "of " << passedTicks;
}

// The machine's own clock, as the program runs: the noise of a busy machine
// is no retry, and a clean disc stays clean scan after scan.
TEST_F(ErrorScanTest, CleanDiscIsJudgedOkScanAfterScan) {
    insertData();
    state_.clock = systemScanClock();
    ErrorHistory history;
    for (int run = 0; run < 5; ++run) {
        ended_ = 0;
        scan(kCompleteScan);
        EXPECT_EQ(device().recoveredCount, 0u) << "scan " << run;
        const ScanResult result = judge(history);
        EXPECT_EQ(result.verdict, Verdict::Good) << result.text;
        EXPECT_TRUE(result.text.ends_with("\n0.00% recoverable, 0.00% unreadable.")) << result.text;
    }
    EXPECT_EQ(history.count, 5);
}

TEST_F(ErrorScanTest, MarginalSectorsAreEstimatedOnTheMachinesClock) {
    for (const char* marginal : {"5360-5399", "6000-6049"}) {
        insertData(std::string("[faults]\nmarginal = ") + marginal + "\n");
        state_.clock = systemScanClock();
        ended_ = 0;
        scan(kCompleteScan);
        EXPECT_EQ(device().recoveredCount, 900u / 8)
            << marginal << ": the samples one slot stands for";
        ErrorHistory history;
        const ScanResult result = judge(history);
        EXPECT_TRUE(result.text.ends_with("\n10.00% recoverable, 0.00% unreadable."))
            << result.text;
    }
}

// The sector display's look at a mixed-mode disc leaves the drive able to
// read its audio: the scan after it still reads the audio track.
TEST_F(ErrorScanTest, SectorDisplayLeavesTheAudioTracksToTheScan) {
    test::app();
    const testing::BuiltImage* disc = testing::MixedDisc();
    ASSERT_NE(disc, nullptr);
    const std::int32_t audioStart = disc->plan.tracks.at(1).start;
    insert(*disc, "[faults]\nhard = 20, " + std::to_string(audioStart + 100) + ", " +
                      std::to_string(audioStart + 1000) + "\n");
    device().SetDevReg(true);
    ASSERT_TRUE(device().CDDAScan());
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&closer] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<SectorDisplayDialog*>(widget);
            if (dialog != nullptr && dialog->isVisible()) {
                closer.stop();
                dialog->reject();
            }
        }
    });
    closer.start(5);
    OpenSectorDisplay();
    EXPECT_TRUE(device().CDDAScan()) << "a data sector read as audio proves nothing";
    EXPECT_EQ(device().cddaMode, 0);
    Options().errorFileReport = 1;
    scan(kCompleteScan);
    EXPECT_EQ(device().mediumErrorCount, 3u) << errorLog();
    EXPECT_EQ(device().otherErrorCount, 0u) << errorLog();
}

TEST_F(ErrorScanTest, FailedReadsGoToTheErrorLogWithTheirFile) {
    insertData("[faults]\nhard = 3000\n");
    // The scan finds files in the track's tree as the readers left it.
    FileNode root, big;
    char rootName[] = "\\ ERRSCAN (Session 1)";
    char bigName[] = "BIG.BIN;1";
    root.name = rootName;
    root.firstChild = &big;
    big.name = bigName;
    big.startBlock = 2900;
    big.size = 200 * 2048;
    track(0).root = &root;
    Options().errorFileReport = 1;
    scan(kCompleteScan);
    const std::string log = errorLog();
    EXPECT_NE(log.find("Error summary from ACME CDROM-4000 for volume ERRSCAN at "),
              std::string::npos);
    EXPECT_NE(log.find("\r\nError in track 1 at block 3000 in file BIG.BIN;1\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Error summary", log.find("Error in track")), std::string::npos)
        << "one header per command";
    track(0).root = nullptr;
}

TEST_F(ErrorScanTest, AudioTracksAreReadAsCdda) {
    const testing::BuiltImage* disc = testing::MixedDisc();
    ASSERT_NE(disc, nullptr);
    const std::int32_t audioStart = disc->plan.tracks.at(1).start;
    insert(*disc, "[faults]\nhard = " + std::to_string(audioStart + 100) + "\n");
    device().SetDevReg(true);
    Options().errorFileReport = 1;
    scan(kCompleteScan);
    EXPECT_EQ(device().mediumErrorCount, 1u);
    EXPECT_EQ(device().otherErrorCount, 0u) << "no read crosses from one track into another";
    EXPECT_NE(errorLog().find("Error in audio track 2 at relative block "), std::string::npos);
    EXPECT_EQ(device().cddaMode, 0) << "switched back for the data reads that follow";
}

TEST_F(ErrorScanTest, DriveWithoutCddaSkipsAudioAndMayFindNothing) {
    const testing::BuiltImage* disc = testing::AudioDisc();
    ASSERT_NE(disc, nullptr);
    insert(*disc);
    device().SetCDDAScan(false);
    scan(kCompleteScan);
    EXPECT_EQ(device().cancelled, 1);
    EXPECT_EQ(state_.samplesRead, 0);
    EXPECT_TRUE(progress_.empty());
}

TEST_F(ErrorScanTest, StopEndsThePassAndConfirmsNothing) {
    insertData();
    device().SetDevReg(false);
    onProgress_ = [this](int percent) {
        if (percent >= 50) {
            device().SetCancel();
        }
    };
    scan(kCompleteScan);
    EXPECT_GT(state_.samplesRead, 500);
    EXPECT_LT(state_.samplesRead, 600);
    EXPECT_EQ(passes(), 1) << "a stopped scan tries no other setting";
    EXPECT_EQ(device().cancelled, 1) << "cleared by the dialog, not the worker";
    EXPECT_FALSE(device().DevReg());
}

TEST_F(ErrorScanTest, ProgramAbortStopsLikeStop) {
    insertData();
    onProgress_ = [](int percent) {
        if (percent >= 50) {
            StopScan() = true;
        }
    };
    scan(kCompleteScan);
    EXPECT_LT(state_.samplesRead, 600);
    EXPECT_EQ(device().cancelled, 1);
}

TEST_F(ErrorScanTest, CleanDiscTriesEveryLaterSettingThenConfirmsTheProbedOne) {
    insertData();
    device().SetDevReg(false);
    PrepareErrorRecovery();
    ASSERT_EQ(device().ErrScan(), 0x06);
    scan(ScanMode(50, kQuickSectors));
    EXPECT_EQ(passes(), 8) << "0x06 and the seven candidates after it";
    EXPECT_EQ(device().ErrScan(), 0x06);
    EXPECT_TRUE(device().DevReg());
}

TEST_F(ErrorScanTest, ASettingThatFindsErrorsIsKept) {
    insertData("[faults]\nmarginal = 16-8000\n");
    device().SetDevReg(false);
    device().SetErrScan(0x04);
    ASSERT_TRUE(device().SetErrorRecovery(0x04FF, nullptr));
    scan(ScanMode(20, kQuickSectors));
    EXPECT_EQ(passes(), 1);
    EXPECT_GT(device().recoveredCount, 0u);
    EXPECT_EQ(device().ErrScan(), 0x04);
    EXPECT_TRUE(device().DevReg());
}

}  // namespace
}  // namespace kel::diag
