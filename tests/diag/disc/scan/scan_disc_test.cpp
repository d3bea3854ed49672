// Whole scans of discs made by mkdisc, through the emulated drive: the track
// list and the trees afterwards, what the main window is handed, the
// progress dialog, cancel, damaged directories and refused starts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "diag/device/device_access.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/disc/scan/toc_lines.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/main_thread.h"
#include "diag/ui/progress_dialog.h"
#include "diag/ui/window/panes.h"
#include "diag/ui/window/status_bar.h"
#include "diag/ui/window/window_hooks.h"
#include "emulated_scan.h"
#include "tests/support/have_program.h"

namespace kel::diag::testing {
namespace {

using ::testing::HasSubstr;

std::vector<TrackInfo*> records() {
    std::vector<TrackInfo*> list;
    const TrackInfo* prev = nullptr;
    for (TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        EXPECT_EQ(r->prev, prev);
        list.push_back(r);
        prev = r;
    }
    EXPECT_EQ(Tracks().last, prev);
    return list;
}

const FileNode* child(const FileNode& directory, std::string_view name) {
    for (const FileNode* c = directory.firstChild; c != nullptr; c = c->next) {
        if (name == c->name) {
            return c;
        }
    }
    return nullptr;
}

const char* const kMixedDisc =
    "[disc]\nname = mixed\nlayout = mixed\n"
    "[data]\nvolume-id = MIXED\nfile = README.TXT text=hello\nfile = DOCS/A.TXT text=a\n"
    "file = DATA.BIN size=600000\n"
    "[audio]\npregap = 2s\nlength = 10s\n";

TEST_F(EmulatedScan, MixedModeDiscGetsATreeForItsDataAndNodesForTheRest) {
    ASSERT_NO_FATAL_FAILURE(insert(kMixedDisc));
    scan();

    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_STREQ(list[0]->root->name, "\\ MIXED (Session 1)");
    EXPECT_NE(child(*list[0]->root, "README.TXT;1"), nullptr);
    const FileNode* docs = child(*list[0]->root, "DOCS");
    ASSERT_NE(docs, nullptr);
    EXPECT_NE(child(*docs, "A.TXT;1"), nullptr);
    EXPECT_EQ(list[0]->depth, 2);
    EXPECT_GT(list[0]->end, 16) << "the end follows the files";
    EXPECT_LE(list[0]->end, plan_.tracks[0].end);
    EXPECT_EQ(list[0]->selected, 1);

    ASSERT_NE(list[1]->root, nullptr);
    EXPECT_STREQ(list[1]->root->name, "Audio 0.10");
    ASSERT_NE(list[2]->root, nullptr);
    EXPECT_EQ(list[2]->root->name, "Lead Out at " + std::to_string(plan_.leadOut));

    EXPECT_EQ(insertedNames(), (std::vector<std::string>{"\\ MIXED (Session 1)", "DOCS",
                                                         "Audio 0.10", list[2]->root->name}));
    EXPECT_EQ(selected_, list[0]->root);
    EXPECT_EQ(titles_, std::vector<std::string>{"MIXED - Quillon"});
    ASSERT_FALSE(statusTexts().empty());
    EXPECT_EQ(statusTexts().back(), "CD-ROM scanned, 2 tracks, 1 sessions found");
    EXPECT_EQ(messageIds(), std::vector<int>{254}) << "the guide after a scan, nothing else";
    EXPECT_TRUE(progressShown_);
    EXPECT_FALSE(ProgressDialogExists());
    EXPECT_FALSE(BusyFlag());
    EXPECT_TRUE(faults_.empty());

    const auto lines = TocLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "  1:1\tNone/Data*\tMIXED\t0\t4");
    EXPECT_EQ(lines[1], "  1:2\tPos/Audio*\t\t" + std::to_string(plan_.tracks[1].start) + "\t0");
    EXPECT_EQ(lines[2], "  1:AA\tLead out\t\t" + std::to_string(plan_.leadOut) + "\t");
}

TEST_F(EmulatedScan, TreePaneShowsEachTrackAndTheFirstTracksEntries) {
    ASSERT_NO_FATAL_FAILURE(insert(kMixedDisc));
    Panes panes;
    MainStatusBar statusBar;
    InstallPaneHooks(&panes, &statusBar);
    ScanHooks hooks;
    hooks.selectTreeNode = [&panes](FileNode& node) { panes.SelectTreeNode(node); };
    SetScanHooks(std::move(hooks));
    SetTrackListReleaseHook([&panes] {
        RunOnMainThread([&panes] {
            panes.ClearTree();
            return 0;
        });
    });
    const auto topLevelTexts = [&panes] {
        std::vector<std::string> texts;
        for (int i = 0; i < panes.tree()->topLevelItemCount(); ++i) {
            texts.push_back(panes.tree()->topLevelItem(i)->text(0).toStdString());
        }
        return texts;
    };

    // A second scan replaces what the first one put into the panes.
    for (int round = 0; round < 2; ++round) {
        scan();
        const std::string leadOut = "Lead Out at " + std::to_string(plan_.leadOut);
        EXPECT_EQ(topLevelTexts(),
                  (std::vector<std::string>{"\\ MIXED (Session 1)", "Audio 0.10", leadOut}));
        QTreeWidgetItem* root = panes.tree()->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->childCount(), 1);
        EXPECT_EQ(root->child(0)->text(0).toStdString(), "DOCS");
        EXPECT_EQ(panes.SelectedTreeNode(), Tracks().first->root);
        const ListModel& model = panes.list()->model();
        EXPECT_EQ(model.rowCount(), 3) << "DOCS, README.TXT and DATA.BIN";
        EXPECT_EQ(statusBar.statusText().toStdString(),
                  "CD-ROM scanned, 2 tracks, 1 sessions found");
    }
    SetTrackListReleaseHook({});
    ReleaseDiscInfo();
    SetPaneHooks({});
}

TEST_F(EmulatedScan, MultiSessionDiscHasOneTreePerSession) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = multi\nlayout = multi-session\nmedium = cd-r\n"
               "[data]\nvolume-id = FIRST\nfile = A.TXT text=a\n"
               "[session]\n[data]\nvolume-id = SECOND\nfile = B.TXT text=b\n"));
    scan();

    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    ASSERT_NE(list[0]->root, nullptr);
    ASSERT_NE(list[1]->root, nullptr);
    EXPECT_STREQ(list[0]->root->name, "\\ FIRST (Session 1)");
    EXPECT_STREQ(list[1]->root->name, "\\ SECOND (Session 2)");
    EXPECT_NE(child(*list[1]->root, "A.TXT;1"), nullptr) << "the second session imports the first";
    EXPECT_NE(child(*list[1]->root, "B.TXT;1"), nullptr);
    EXPECT_EQ(statusTexts().back(), "CD-ROM scanned, 2 tracks, 2 sessions found");
    EXPECT_EQ(titles_, std::vector<std::string>{"SECOND - Quillon"})
        << "the label of the last volume read";
    const auto lines = TocLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines[1], HasSubstr("2:2\t"));
    EXPECT_THAT(lines[2], HasSubstr("2:AA\tLead out"));
}

TEST_F(EmulatedScan, HybridIsoHfsTrackGetsATwinRecordListedOnce) {
    if (!kel::test::haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage is not installed (Debian package genisoimage)";
    }
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = hybrid\n"
               "[data]\nfilesystem = iso-hfs\nvolume-id = HYBRID\nfile = MAC.TXT text=mac\n"));
    scan();

    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    TrackInfo* iso = list[0];
    TrackInfo* twin = list[1];
    EXPECT_NE(iso->flags & track_flags::kIso9660, 0u);
    EXPECT_EQ(iso->flags & track_flags::kHfsTwin, 0u);
    EXPECT_EQ(twin->flags & (track_flags::kHfsTwin | track_flags::kHfs),
              track_flags::kHfsTwin | track_flags::kHfs);
    EXPECT_EQ(twin->track, iso->track);
    EXPECT_EQ(twin->start, iso->start);
    EXPECT_EQ(twin->session, iso->session);
    ASSERT_NE(iso->root, nullptr);
    ASSERT_NE(twin->root, nullptr);
    EXPECT_STREQ(iso->root->name, "\\ HYBRID (Session 1)");
    EXPECT_NE(iso->root, twin->root);
    EXPECT_EQ(twin->root->track, twin);
    EXPECT_NE(child(*twin->root, "MAC.TXT"), nullptr);

    const auto lines = TocLines();
    ASSERT_EQ(lines.size(), 2u) << "the twin has no line";
    EXPECT_THAT(lines[0], HasSubstr("1:1\t"));
    EXPECT_EQ(statusTexts().back(), "CD-ROM scanned, 1 tracks, 1 sessions found");
}

TEST_F(EmulatedScan, UdfBridgeDiscIsReadThroughItsUdfVolume) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = bridge\n"
               "[data]\nfilesystem = udf-bridge\nvolume-id = BRIDGE\nfile = UDF.TXT text=udf\n"));
    scan();

    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_NE(list[0]->flags & track_flags::kUdf, 0u);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_NE(child(*list[0]->root, "UDF.TXT"), nullptr);
    EXPECT_EQ(selected_, list[0]->root);
}

TEST_F(EmulatedScan, BlankCdrShowsOnlyTheBlankDiscNode) {
    ASSERT_NO_FATAL_FAILURE(insert("[disc]\nname = blank\nmedium = cd-r\nstate = blank\n"));
    scan();

    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_NE(list[0]->flags & track_flags::kBlank, 0u);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_EQ(list[0]->root->name,
              "Blank disc (" + std::to_string(list[0]->freeBlocks) + " free blocks)");
    EXPECT_TRUE(IsDirectory(*list[0]->root));
    EXPECT_EQ(insertedNames(), std::vector<std::string>{list[0]->root->name});
    EXPECT_THAT(statusTexts().back(), HasSubstr("CD-ROM scanned, 1 tracks,"));
    EXPECT_EQ(titles_, std::vector<std::string>{"Blank disc - Quillon"});
}

// In front of an audio first track lies its pregap: an implicit audio
// track, read as no data and shown with no warning.
TEST_F(EmulatedScan, AudioDiscStartingAt150GetsAnImplicitAudioTrack) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = cdda\nlayout = audio\n"
               "[audio]\npregap = 2s\nlength = 10s\n[audio]\nlength = 4s\n"));
    scan();

    EXPECT_EQ(messageIds(), std::vector<int>{254}) << "the guide after a scan, nothing else";
    const auto list = records();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]->track, 0);
    EXPECT_EQ(list[0]->start, 0);
    EXPECT_EQ(list[0]->end, 150);
    EXPECT_EQ(list[0]->control, 0x10);
    EXPECT_EQ(list[0]->flags & track_flags::kImplicitFromBlockZero,
              track_flags::kImplicitFromBlockZero);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_STREQ(list[0]->root->name, "Audio 0.02");
    EXPECT_STREQ(list[1]->root->name, "Audio 0.10");
    EXPECT_STREQ(list[2]->root->name, "Audio 0.04");
    EXPECT_EQ(statusTexts().back(), "CD-ROM scanned, 3 tracks, 1 sessions found");
}

TEST_F(EmulatedScan, CancelStopsBeforeTheNextTrackAndSkipsTheGuide) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = multi\nlayout = multi-session\nmedium = cd-r\n"
               "[data]\nvolume-id = FIRST\nfile = A.TXT text=a\n"
               "[session]\n[data]\nvolume-id = SECOND\nfile = B.TXT text=b\n"));
    // The user presses Cancel while the first track's tree goes to the pane.
    onInsert_ = [](FileNode&) {
        RunOnMainThread([] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->objectName() == "scanProgress" && widget->isVisible()) {
                    widget->findChild<QPushButton*>("cancel")->click();
                }
            }
            return 0;
        });
    };
    logSwitches().debugMode = true;
    SetDebugLogPath(folder_ / "SCAN.DBG");
    scan();
    logSwitches().debugMode = false;
    SetDebugLogPath({});

    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_NE(list[0]->root, nullptr) << "the track read so far keeps its tree";
    EXPECT_EQ(list[1]->root, nullptr);
    EXPECT_EQ(list[2]->root, nullptr);
    EXPECT_EQ(messageText(254), "") << "no guide after a cancelled scan";
    EXPECT_FALSE(BusyFlag());
    EXPECT_FALSE(ProgressDialogExists());

    std::ifstream in(folder_ / "SCAN.DBG", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_THAT(log, HasSubstr("Program Version: *** Error ***\r\n"));
    EXPECT_THAT(log, HasSubstr("Processing track 1, starting at 0, IgnJoliet=0\r\n"));
    EXPECT_THAT(log, HasSubstr("Aborting track scan on request before track 2\r\n"));
    EXPECT_THAT(log, HasSubstr("Final TOC information...\r\n"));
    EXPECT_EQ(log.find("Processing track 2"), std::string::npos);
}

TEST_F(EmulatedScan, UnreadableDirectoryBlockIsReportedAndTheScanGoesOn) {
    const std::string tracks =
        "[data]\nvolume-id = HURT\nfile = README.TXT text=hello\nfile = DOCS/A.TXT text=a\n"
        "[audio]\npregap = 2s\nlength = 4s\n";
    ASSERT_NO_FATAL_FAILURE(insert("[disc]\nname = hurt\nlayout = mixed\n" + tracks));
    scan();
    ASSERT_NE(Tracks().first->root, nullptr);
    const FileNode* docs = child(*Tracks().first->root, "DOCS");
    ASSERT_NE(docs, nullptr);
    const std::int32_t docsBlock = docs->startBlock;

    ASSERT_NO_FATAL_FAILURE(insert("[disc]\nname = hurt\nlayout = mixed\n[faults]\nhard = " +
                                   std::to_string(docsBlock) + "\n" + tracks));
    messages_.clear();
    scan();

    EXPECT_EQ(messageText(241),
              "1 blocks of directory information had read errors\n"
              "These were skipped over and not processed.");
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_NE(child(*list[0]->root, "README.TXT;1"), nullptr);
    docs = child(*list[0]->root, "DOCS");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->firstChild, nullptr);
    EXPECT_STREQ(list[1]->root->name, "Audio 0.04");
    EXPECT_EQ(statusTexts().back(), "CD-ROM scanned, 2 tracks, 1 sessions found");
}

TEST_F(EmulatedScan, ScanStartedWhileBusyOnlyBeeps) {
    ASSERT_NO_FATAL_FAILURE(insert(kMixedDisc));
    scan();
    const TrackInfo* first = Tracks().first;
    const std::size_t texts = statusTexts().size();
    messages_.clear();

    BusyFlag() = true;
    EXPECT_FALSE(StartScanDisc());
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_TRUE(BusyFlag()) << "the busy flag stays with the operation that set it";
    EXPECT_EQ(Tracks().first, first);
    EXPECT_EQ(statusTexts().size(), texts);
    EXPECT_TRUE(messageIds().empty());
    EXPECT_FALSE(ProgressDialogExists());
    BusyFlag() = false;
}

TEST_F(EmulatedScan, DriveNotReadyKeepsThePreviousList) {
    ASSERT_NO_FATAL_FAILURE(insert(kMixedDisc));
    scan();
    const TrackInfo* first = Tracks().first;
    const std::size_t texts = statusTexts().size();
    ASSERT_TRUE(device_->LoadEject(true));
    messages_.clear();
    progressShown_ = false;

    scan();
    ASSERT_FALSE(messageIds().empty());
    EXPECT_EQ(messageIds().front(), 107);
    EXPECT_EQ(messageText(107),
              "The " + device_->DeviceDescription() + " CD-ROM drive is not ready.");
    EXPECT_EQ(Tracks().first, first);
    EXPECT_EQ(statusTexts().size(), texts);
    EXPECT_EQ(titles_.size(), 1u);
    EXPECT_EQ(messageIds(), std::vector<int>{107}) << "no guide after a stop";
    EXPECT_FALSE(BusyFlag());
}

// Track numbers run to 99 and show in decimal; only the TOC's pointers
// above them (the lead-out AA) show in hex.
TEST_F(EmulatedScan, TrackNinetyNineIsNamedInDecimal) {
    std::string recipe = "[disc]\nname = full\nlayout = audio\n[audio]\npregap = 2s\nlength = 75\n";
    for (int track = 2; track <= 99; ++track) {
        recipe += "[audio]\nlength = 75\n";
    }
    ASSERT_NO_FATAL_FAILURE(insert(recipe));
    scan();

    const auto lines = TocLines();
    ASSERT_EQ(lines.size(), 101u) << "the implicit track, 99 tracks and the lead-out";
    EXPECT_EQ(lines[99], "  1:99\tPos/Audio*\t\t" + std::to_string(plan_.tracks[98].start) + "\t0");
    EXPECT_THAT(lines[100], HasSubstr("1:AA\tLead out"));
}

// A disc taken out while it is read leaves no tree of what was read before,
// and the status line never says the disc was scanned.
TEST_F(EmulatedScan, DiscTakenOutDuringTheScanLeavesNothingScanned) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = multi\nlayout = multi-session\nmedium = cd-r\n"
               "[data]\nvolume-id = FIRST\nfile = A.TXT text=a\n"
               "[session]\n[data]\nvolume-id = SECOND\nfile = B.TXT text=b\n"));
    onInsert_ = [this](FileNode&) {
        if (device_->TestUnitReady()) {
            device_->LoadEject(true);
        }
    };
    scan();

    EXPECT_EQ(messageText(3010).rfind("device", 0), 0u) << "no medium, answered with Cancel";
    EXPECT_EQ(Tracks().first, nullptr) << "the first session's tree is not kept";
    for (const std::string& text : statusTexts()) {
        EXPECT_THAT(text, ::testing::Not(HasSubstr("scanned")));
    }
    EXPECT_EQ(titles_, std::vector<std::string>{"Quillon"});
    EXPECT_EQ(messageText(254), "") << "no guide";
    EXPECT_FALSE(BusyFlag());
}

// The title names the volume the readers found, not the first track's node
// (here the implicit track in front of the audio, the audio's pregap).
TEST_F(EmulatedScan, TitleComesFromTheVolumeLabel) {
    ASSERT_NO_FATAL_FAILURE(
        insert("[disc]\nname = extra\nlayout = cd-extra\n"
               "[audio]\npregap = 2s\nlength = 4s\n[session]\n"
               "[data]\nmode = 2\nvolume-id = EXTRA_DATA\nfile = A.TXT text=extra\n"));
    scan();
    ASSERT_NE(Tracks().first->root, nullptr);
    EXPECT_STREQ(Tracks().first->root->name, "Audio 0.02");
    EXPECT_EQ(titles_, std::vector<std::string>{"EXTRA_DATA - Quillon"});
}

TEST_F(EmulatedScan, FaultInsideTheScanAbandonsTheListAndEndsTheScan) {
    ASSERT_NO_FATAL_FAILURE(insert(kMixedDisc));
    TrackList abandoned;
    onInsert_ = [&abandoned](FileNode&) {
        abandoned = Tracks();
        throw std::runtime_error("tree pane fault");
    };
    scan();

    EXPECT_EQ(Tracks().first, nullptr);
    EXPECT_EQ(Tracks().last, nullptr);
    EXPECT_EQ(faults_, std::vector<std::string>{"tree pane fault"});
    EXPECT_FALSE(BusyFlag());
    EXPECT_FALSE(ProgressDialogExists());
    EXPECT_EQ(messageText(254), "") << "no track has a tree any more";
    // The records were let go, not freed; the test frees them.
    Tracks() = abandoned;
}

}  // namespace
}  // namespace kel::diag::testing
