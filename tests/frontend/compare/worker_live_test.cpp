// The compare worker against the real server: clean discs, planted
// differences, unreadable sectors, an opened door, a dead server, a stop.
#include <gtest/gtest.h>

#include <QObject>
#include <algorithm>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "compare_fixture.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/compare/compare_view.h"
#include "frontend/compare/tcompare.h"
#include "server/request_codes.h"
#include "tests/frontend/common/scripted_client.h"

namespace kel::compare {

// A failed expectation shows the lines as they read.
void PrintTo(const ResultLine& line, std::ostream* out) {
    *out << (line.style == LineStyle::BoldRed ? "red" : "normal") << "(\"" << line.text << "\")";
}

namespace testing {
namespace {

using frontend::KelCdData;
using Lines = std::vector<ResultLine>;

ResultLine red(const std::string& text) {
    return {text, LineStyle::BoldRed};
}
ResultLine normal(const std::string& text) {
    return {text, LineStyle::Normal};
}

class RecordingView : public CompareView {
public:
    void AddResultLine(const ResultLine& line) override {
        (summaryStarted ? summary : lines).push_back(line);
        if (onLine && !summaryStarted) {
            onLine();
        }
    }
    void StartSummary() override { summaryStarted = true; }
    void ShowProgress(int position, std::int32_t sectorsDone) override {
        positions.push_back(position);
        done.push_back(sectorsDone);
    }
    void RunFinished(bool restart) override {
        finished = true;
        restartPolling = restart;
    }

    Lines lines;
    Lines summary;
    std::vector<int> positions;
    std::vector<std::int32_t> done;
    std::function<void()> onLine;
    bool summaryStarted = false;
    bool finished = false;
    bool restartPolling = false;
};

class WorkerLive : public LiveCompare {
protected:
    // Runs one compare of devices `master` and `copy` over [start, end);
    // `started` sees the worker once it runs.
    void run(int master, int copy, std::int32_t start, std::int32_t end,
             const std::function<void(tcompare&)>& started = {}) {
        run(*client_, master, copy, start, end, started);
    }
    void run(frontend::DriveServerClient& client, int master, int copy, std::int32_t start,
             std::int32_t end, const std::function<void(tcompare&)>& started = {}) {
        data_.AllocateBuffers();
        data_.Sync = kStandardSync;
        data_.StartLba = start;
        data_.EndLba = end;
        data_.CurrentLba = start;
        data_.MasterDevice = static_cast<std::int16_t>(master);
        data_.CopyDevice = static_cast<std::int16_t>(copy);
        data_.StartTime = QDateTime::currentDateTime();
        QObject mainThread;
        tcompare worker(client, data_, view_, &mainThread);
        worker.start();
        if (started) {
            started(worker);
        }
        ASSERT_TRUE(waitFor([&worker] { return worker.isFinished(); }, std::chrono::seconds(60)));
        worker.wait();
        ASSERT_TRUE(view_.finished);
    }

    // The progress the view was handed: block ends in their order (not
    // necessarily every one), the last of them `sectors`, the run's total.
    void expectProgressUpTo(std::int32_t sectors) const {
        ASSERT_FALSE(view_.done.empty());
        EXPECT_EQ(view_.done.back(), sectors);
        for (std::size_t i = 0; i < view_.done.size(); ++i) {
            EXPECT_TRUE(view_.done[i] % 12 == 0 || view_.done[i] == sectors) << view_.done[i];
            EXPECT_TRUE(i == 0 || view_.done[i] > view_.done[i - 1]) << view_.done[i];
        }
        EXPECT_EQ(view_.positions.size(), view_.done.size());
        EXPECT_TRUE(std::is_sorted(view_.positions.begin(), view_.positions.end()));
    }

    // The summary's last line.
    std::string total() const {
        return view_.summary.size() == 3 ? view_.summary[2].text : std::string("(no summary)");
    }

    CompareData data_;
    RecordingView view_;
};

TEST_F(WorkerLive, IdenticalDiscsPassWithTheSummary) {
    fs::path master = buildData("master", 1, "MASTER");
    fs::path copy = copyOf("master", "copy", {});
    if (!start({{'D', master}, {'E', copy}})) {
        return;
    }
    const std::int32_t size = leadOut("master");
    ASSERT_NO_FATAL_FAILURE(run(0, 1, 0, size));
    EXPECT_EQ(view_.lines, Lines{});
    ASSERT_EQ(view_.summary.size(), 3u);
    EXPECT_EQ(view_.summary[0].text.rfind("Finish time: ", 0), 0u);
    EXPECT_EQ(view_.summary[1].text.rfind("Total time: ", 0), 0u);
    EXPECT_EQ(total(), "Total sectors compared: " + std::to_string(size));
    expectProgressUpTo(size);
    EXPECT_TRUE(view_.restartPolling);
}

TEST_F(WorkerLive, Mode1DifferencesAreNamedFieldByField) {
    fs::path master = buildData("master", 1, "MASTER");
    // Sector 30 of both discs becomes a mode 0 sector.
    patch("master", {{30, 15, 0x01}});
    fs::path copy = copyOf("master", "copy",
                           {
                               {5, 3},      // sync only: never reported
                               {21, 13},    // header
                               {22, 100},   // user data
                               {23, 2065},  // EDC
                               {25, 4},     // the copy's sync ...
                               {25, 2300},  // ... and its ECC
                               {26, 1000},  // user data under the master's bad sync
                               {30, 400},   // mode 0 data
                               {39, 16},    // the last sector of the range
                               {40, 16},    // outside the range
                           });
    // Only the master gets the bad sync, so it must come after the copy.
    patch("master", {{26, 4}});
    if (!start({{'D', master}, {'E', copy}})) {
        return;
    }
    run(0, 1, 0, 40);
    EXPECT_EQ(view_.lines, (Lines{
                               red("     ERROR Header field difference"),
                               normal("  FRAME: 21"),
                               red("     ERROR Data field difference"),
                               normal("  FRAME: 22"),
                               red("     ERROR EDC/ECC field difference"),
                               normal("  FRAME: 23"),
                               red("SYNC Field Error on Copy (Probable drive error)"),
                               normal("     Frame: 25"),
                               red("     ERROR EDC/ECC field difference"),
                               normal("  FRAME: 25"),
                               red("SYNC Field Error on Master (Probable drive error)"),
                               normal("     Frame: 26"),
                               red("     ERROR Data field difference"),
                               normal("  FRAME: 26"),
                               red("     ERROR Sector difference"),
                               normal("  FRAME: 30"),
                               red("     ERROR Data field difference"),
                               normal("  FRAME: 39"),
                           }));
    EXPECT_EQ(total(), "Total sectors compared: 40");
    // 40 is not a multiple of 12: blocks of 12, 12, 12 and 4.
    expectProgressUpTo(40);
    EXPECT_FALSE(view_.restartPolling) << "the last block had a difference";
}

TEST_F(WorkerLive, Mode2Form1AndForm2Differences) {
    fs::path master = buildData("master", 2, "XA_MASTER");
    // Sectors 23 and 24 become form 2 on both discs (submode in both copies
    // of the subheader).
    patch("master", {{23, 18, 0x20}, {23, 22, 0x20}, {24, 18, 0x20}, {24, 22, 0x20}});
    fs::path copy = copyOf("master", "copy",
                           {
                               {20, 17},    // subheader
                               {21, 24},    // form 1 data
                               {22, 2073},  // form 1 EDC
                               {23, 2100},  // form 2 data
                               {24, 2350},  // form 2 EDC
                           });
    if (!start({{'D', master}, {'E', copy}})) {
        return;
    }
    run(0, 1, 12, 36);
    EXPECT_EQ(view_.lines, (Lines{
                               red("     ERROR Subheader field difference"),
                               normal("  FRAME: 20"),
                               red("     ERROR Data field difference"),
                               normal("  FRAME: 21"),
                               red("     ERROR EDC/ECC field difference"),
                               normal("  FRAME: 22"),
                               red("     ERROR Data field difference"),
                               normal("  FRAME: 23"),
                               red("     ERROR EDC field difference"),
                               normal("  FRAME: 24"),
                           }));
    EXPECT_EQ(total(), "Total sectors compared: 24");
}

TEST_F(WorkerLive, UnevenRangeComparesEverySectorOnce) {
    fs::path master = buildData("master", 1, "MASTER");
    // Every sector from one before the range to one after it differs, so a
    // sector compared twice, skipped or outside the range shows.
    std::vector<Patch> everySector;
    for (std::int32_t lba = 4; lba <= 34; ++lba) {
        everySector.push_back({lba, 100});
    }
    fs::path copy = copyOf("master", "copy", everySector);
    if (!start({{'D', master}, {'E', copy}})) {
        return;
    }
    ASSERT_NO_FATAL_FAILURE(run(0, 1, 5, 34));
    Lines expected;
    for (std::int32_t lba = 5; lba < 34; ++lba) {
        expected.push_back(red("     ERROR Data field difference"));
        expected.push_back(normal("  FRAME: " + std::to_string(lba)));
    }
    EXPECT_EQ(view_.lines, expected);
    // 29 sectors: two full blocks and one of 5.
    expectProgressUpTo(29);
    EXPECT_EQ(total(), "Total sectors compared: 29");
}

class WorkerFaults : public WorkerLive {
protected:
    void SetUp() override {
        WorkerLive::SetUp();
        if (IsSkipped()) {
            return;
        }
        fs::path master = buildData("master", 1, "MASTER");
        fs::path badCopy = copyOf("master", "badcopy", {}, "hard = 20");
        fs::path badMaster = copyOf("master", "badmaster", {}, "hard = 30");
        if (!start({{'D', master}, {'E', badCopy}, {'F', badMaster}})) {
            return;
        }
    }
};

TEST_F(WorkerFaults, UnreadableCopySectorEndsTheRun) {
    run(0, 1, 0, 48);
    EXPECT_EQ(view_.lines, (Lines{red("ERROR READING Copy Disc"), red("Test terminated")}));
    EXPECT_EQ(total(), "Total sectors compared: 12");
    EXPECT_FALSE(view_.restartPolling);
}

TEST_F(WorkerFaults, UnreadableMasterSectorEndsTheRun) {
    run(2, 0, 0, 48);
    EXPECT_EQ(view_.lines, (Lines{red("ERROR READING Master Disc"), red("Test terminated")}));
    EXPECT_EQ(total(), "Total sectors compared: 24");
    // However few blocks were handed over during the run, the last one
    // before the failing read is shown with the summary.
    ASSERT_FALSE(view_.done.empty());
    EXPECT_EQ(view_.done.back(), 24);
}

class WorkerDoor : public WorkerLive {
protected:
    void SetUp() override {
        WorkerLive::SetUp();
        if (IsSkipped()) {
            return;
        }
        fs::path master = buildData("master", 1, "MASTER");
        fs::path copy = copyOf("master", "copy", {});
        // A difference in the first block, whose lines the worker waits to
        // see shown: a point between the first block and the second.
        fs::path changed = copyOf("master", "changed", {{5, 100}});
        if (!start({{'D', master}, {'E', copy}, {'F', changed}})) {
            return;
        }
    }

    // Opens the drive's door while the first block's lines are shown, as a
    // user would during a run.
    void ejectAfterFirstBlock(int device) {
        view_.onLine = [this, device] {
            if (view_.lines.size() == 1) {
                KelCdData.DriveNumber = static_cast<std::int16_t>(device);
                client_->_Send(kel::kGroupDrive, kel::kSubRun, 0x11);
                ASSERT_EQ(KelCdData.ReplyError, 0);
            }
        };
    }

    const Lines firstBlockLines{red("     ERROR Data field difference"), normal("  FRAME: 5")};
};

TEST_F(WorkerDoor, CopyDoorOpenedMidRun) {
    ejectAfterFirstBlock(2);
    run(0, 2, 0, 60);
    Lines expected = firstBlockLines;
    expected.insert(expected.end(), {red("Drive Not Ready - Copy Disc"), red("Test terminated")});
    EXPECT_EQ(view_.lines, expected);
    EXPECT_EQ(total(), "Total sectors compared: 12");
}

TEST_F(WorkerDoor, MasterDoorOpenedMidRun) {
    ejectAfterFirstBlock(0);
    run(0, 2, 0, 60);
    Lines expected = firstBlockLines;
    expected.insert(expected.end(),
                    {red("Drive Door Opened - Master Disc"), red("Test terminated")});
    EXPECT_EQ(view_.lines, expected);
    EXPECT_EQ(total(), "Total sectors compared: 12");
}

TEST_F(WorkerDoor, StopEndsAfterTheCurrentBlockWithTheSummary) {
    // Asked before the first block's replies can have come in: the main
    // thread, which takes them, is busy asking.
    run(0, 1, 0, 120, [](tcompare& worker) { worker.requestInterruption(); });
    EXPECT_EQ(total(), "Total sectors compared: 12");
    EXPECT_EQ(view_.done, (std::vector<std::int32_t>{12}));
    EXPECT_TRUE(view_.restartPolling);
}

TEST_F(WorkerDoor, EmptyRangeComparesNothing) {
    run(0, 1, 30, 30);
    EXPECT_EQ(view_.lines, Lines{});
    EXPECT_TRUE(view_.positions.empty());
    EXPECT_EQ(total(), "Total sectors compared: 0");
}

TEST_F(WorkerDoor, RangeWiderThanTheLbaTypeIsARangeNotAnOverflow) {
    run(0, 1, -99999, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(view_.lines, (Lines{red("ERROR READING Master Disc"), red("Test terminated")}));
    EXPECT_EQ(total(), "Total sectors compared: 0");
}

TEST_F(WorkerDoor, DeadServerIsReportedAsTheServerNotAsTheDisc) {
    client_->_Send(kel::kGroupExit, 0, 0);
    // The server is gone once a request fails at once.
    ASSERT_TRUE(waitFor([this] {
        KelCdData.DriveNumber = 0;
        client_->_Send(kel::kGroupDrive, kel::kSubGet, 0x1A);
        return KelCdData.ReplyErrorCode == frontend::kNoServerReply;
    }));
    KelCdData.ServerConnected = 0;
    run(0, 1, 0, 24);
    EXPECT_EQ(view_.lines,
              (Lines{red("Drive Server Not Running - Master Disc"), red("Test terminated")}));
    EXPECT_EQ(total(), "Total sectors compared: 0");
    EXPECT_FALSE(view_.restartPolling);
}

// A server that answers a block read with more or fewer sectors than asked
// for: the block would hold bytes of the block before, so the read failed.
TEST_F(WorkerLive, SectorReplyOfTheWrongSizeIsAReadError) {
    for (const int extra : {-1, 1}) {
        SCOPED_TRACE(extra);
        view_ = RecordingView{};
        frontend::testing::ScriptedClient scripted;
        int blocksRead = 0;
        scripted.answer = [&](const std::vector<std::string>& request) {
            const int code = std::stoi(request[0]);
            if (code != kDiscReadRaw) {
                return frontend::testing::TextReply({request[0], "0", "0", "4"});
            }
            const bool copy = request[1] == "1";
            const int asked = std::stoi(request[4]);
            const int sectors = copy && ++blocksRead == 2 ? asked + extra : asked;
            return frontend::testing::BytesReply(
                std::vector<std::uint8_t>(static_cast<std::size_t>(sectors) * 2352, 0x5A));
        };
        run(scripted, 0, 1, 0, 30);
        EXPECT_EQ(view_.lines, (Lines{red("ERROR READING Copy Disc"), red("Test terminated")}));
        EXPECT_EQ(total(), "Total sectors compared: 12");
        EXPECT_FALSE(view_.restartPolling);
    }
}

}  // namespace
}  // namespace testing
}  // namespace kel::compare
