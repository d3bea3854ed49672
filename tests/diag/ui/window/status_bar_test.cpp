// The status bar's parts, the toolbar's buttons, the hand-over from worker
// threads, and the clean-up of the program's temporary folder.
#include "diag/ui/window/status_bar.h"

#include <QAction>
#include <QImage>
#include <QSignalSpy>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "diag/ui/main_thread.h"
#include "diag/ui/window/panes.h"
#include "diag/ui/window/temp_directory.h"
#include "diag/ui/window/toolbar.h"
#include "diag/ui/window/window_hooks.h"
#include "node_tree.h"
#include "tests/diag/ui/options/fake_device.h"
#include "window_fixture.h"

namespace kel::diag {
namespace {

using StatusBar = test::WindowFixture;

// Serves the main thread's events until `done` holds or five seconds have
// passed.
template <typename Condition>
bool serveUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::yield();
    }
    return done();
}

TEST_F(StatusBar, DeviceTextAndModeIcons) {
    MainStatusBar bar;
    bar.ShowDeviceInStatusBar(nullptr);
    EXPECT_EQ(bar.deviceText(), "** No device **");
    EXPECT_FALSE(bar.tracingIconShown());
    EXPECT_FALSE(bar.specialModeIconShown());

    test::FakeDevice device("E:", "KELEMU CD-ROM EMULATED");
    logSwitches().debugMode = true;
    Options().intensiveUdfScan = 1;
    bar.ShowDeviceInStatusBar(&device);
    EXPECT_EQ(bar.deviceText(), "Device: E: KELEMU CD-ROM EMULATED");
    EXPECT_TRUE(bar.tracingIconShown());
    EXPECT_TRUE(bar.specialModeIconShown());
    logSwitches().debugMode = false;

    // An ASPI address names adapter and target.
    test::FakeDevice aspi("1:0", "KELEMU CD-ROM EMULATED");
    bar.ShowDeviceInStatusBar(&aspi);
    EXPECT_EQ(bar.deviceText(), "Device: 1:0: KELEMU CD-ROM EMULATED");
}

TEST_F(StatusBar, MenuHelpTexts) {
    MainStatusBar bar;
    bar.MenuHelpCommand(40015);
    EXPECT_EQ(bar.statusText(), "Re-scans the currently selected CD-ROM drive");
    bar.MenuHelpSelect(0, false);
    EXPECT_EQ(bar.statusText(), "Re-scans the currently selected CD-ROM drive");
    bar.MenuHelpSelect(39999, false);
    EXPECT_EQ(bar.statusText(), "Re-scans the currently selected CD-ROM drive")
        << "a command without help text leaves the text";
    bar.MenuHelpSelect(51685, false);
    EXPECT_EQ(bar.statusText(), "Selects a CD-ROM to display information from");
    bar.MenuHelpSelect(51685, true);
    EXPECT_EQ(bar.statusText(), "");
}

TEST_F(StatusBar, WorkerThreadTextsAndTreeNodesReachTheMainThread) {
    MainStatusBar bar;
    Panes panes;
    InstallPaneHooks(&panes, &bar);
    test::NodeTree tree;
    FileNode& root = tree.add(nullptr, "DISC", true);
    FileNode& sub = tree.add(&root, "SUB", true);
    std::atomic<bool> done{false};
    std::thread scan([&] {
        InsertTreeNode(root);
        // The parent's item exists as soon as its insertion returns.
        InsertTreeNode(sub);
        StatusText(125, 7);
        done = true;
    });
    EXPECT_TRUE(serveUntil([&] { return done.load() && bar.statusText() != ""; }));
    scan.join();
    EXPECT_EQ(bar.statusText(), "7 items in directory");
    ASSERT_EQ(panes.tree()->topLevelItemCount(), 1);
    EXPECT_EQ(panes.tree()->topLevelItem(0)->childCount(), 1);
    EXPECT_NE(sub.treeItem, nullptr);

    // On the main thread the text is there at once.
    StatusText(169);
    EXPECT_EQ(bar.statusText(), "** No device **");
}

// In debug mode a worker's status texts are logged where it gives them, in
// order with its other lines, not when the main thread gets round to them.
TEST_F(StatusBar, WorkerStatusTextsKeepTheirPlaceInTheDebugLog) {
    MainStatusBar bar;
    InstallPaneHooks(nullptr, &bar);
    const std::filesystem::path log = folder_ / "TEST.DBG";
    SetDebugLogPath(log);
    logSwitches().debugMode = true;
    std::thread worker([] {
        StatusText(125, 7);
        DebugLog("worker done");
    });
    worker.join();
    EXPECT_TRUE(serveUntil([&] { return bar.statusText() != ""; }));
    logSwitches().debugMode = false;
    SetDebugLogPath({});
    std::ifstream in(log, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "7 items in directory\r\nworker done\r\n") << "each line once, in order";
}

// A worker's text queued for a bar that is gone by the time the main thread
// serves it must not land anywhere: not in freed memory, and not in a new bar
// that the allocator puts where the old one was.
TEST_F(StatusBar, TextsForAStatusBarThatIsGoneAreDropped) {
    auto bar = std::make_unique<MainStatusBar>();
    InstallPaneHooks(nullptr, bar.get());
    std::thread worker([] { StatusText(125, 1); });
    worker.join();
    bar.reset();
    const auto next = std::make_unique<MainStatusBar>();
    const QString before = next->statusText();
    std::atomic<bool> served{false};
    PostToMainThread([&served] { served = true; });
    ASSERT_TRUE(serveUntil([&] { return served.load(); })) << "the queued text was served first";
    EXPECT_EQ(next->statusText(), before);
}

TEST_F(StatusBar, ToolbarButtonsReportTheirCommandsAndKeepTheirState) {
    MainToolbar toolbar;
    toolbar.CheckToolbarButton(40025, true);
    toolbar.CheckToolbarButton(40027, true);
    EXPECT_FALSE(toolbar.button(40025)->isChecked());
    EXPECT_TRUE(toolbar.button(40027)->isChecked());
    EXPECT_FALSE(toolbar.button(40020)->isCheckable());

    toolbar.EnableToolbarButton(40027, false);
    EXPECT_FALSE(toolbar.button(40027)->isEnabled());
    EXPECT_TRUE(toolbar.button(40027)->isChecked()) << "other state stays";
    toolbar.EnableToolbarButton(12345, false);

    QSignalSpy commands(&toolbar, &MainToolbar::commandTriggered);
    toolbar.button(40020)->trigger();
    ASSERT_EQ(commands.size(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 40020);
}

TEST_F(StatusBar, EveryToolbarButtonHasItsOwnPicture) {
    MainToolbar toolbar;
    std::vector<std::pair<int, QImage>> pictures;
    for (int id : MainToolbar::Layout()) {
        if (id == 0) {
            continue;
        }
        const QImage picture = toolbar.button(id)->icon().pixmap(QSize(16, 15)).toImage();
        EXPECT_FALSE(picture.isNull()) << id;
        for (const auto& [other, seen] : pictures) {
            EXPECT_NE(picture, seen) << id << " looks like " << other;
        }
        pictures.emplace_back(id, picture);
    }
}

TEST_F(StatusBar, CleaningTheTemporaryFolderRemovesOnlyFiles) {
    Options().tempPath = (folder_ / "temp").string() + "/";
    const std::filesystem::path own = ProgramTempDirectory();
    folder_.write("temp/MORVALE/work.bmp", "x");
    folder_.write("temp/MORVALE/nested/keep.txt", "x");
    const std::filesystem::path outside = folder_.write("temp/outside.txt", "x");
    std::filesystem::create_symlink(outside, own / "link");
    CleanTempDirectory();
    EXPECT_TRUE(std::filesystem::is_directory(own));
    EXPECT_FALSE(std::filesystem::exists(own / "work.bmp"));
    EXPECT_FALSE(std::filesystem::exists(own / "link"));
    EXPECT_TRUE(std::filesystem::exists(own / "nested/keep.txt"));
    EXPECT_TRUE(std::filesystem::exists(outside));

    Options().tempPath = (folder_ / "absent").string() + "/";
    CleanTempDirectory();
}

}  // namespace
}  // namespace kel::diag
