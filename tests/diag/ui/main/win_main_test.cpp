// The whole program in this process: start-up with switches on an emulated
// drive holding the demo's mixed-mode disc, the scan at start, and the end
// when the window is closed.
#include "diag/ui/main/win_main.h"

#include <QTimer>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "diag/ui/main/main_window.h"
#include "main_fixture.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/drive_config.h"
#include "tests/support/have_program.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

MainWindow* mainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<MainWindow*>(widget)) {
            return window;
        }
    }
    return nullptr;
}

class WinMainTest : public test::MainFixture {
protected:
    void TearDown() override {
        kel::test::clearDriveConfig();
        MainFixture::TearDown();
    }

    void insertDemoDisc(const char* name) {
        if (!haveProgram("xorriso")) {
            GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
        }
        std::ifstream file(fs::path(KEL_SOURCE_DIR) / "demo" / (std::string(name) + ".recipe"));
        std::stringstream recipe;
        recipe << file.rdbuf();
        const auto built =
            testing::BuildDisc(recipe.str(), folder_ / "disc.recipe", folder_ / "discs");
        ASSERT_TRUE(built);
        const fs::path descriptor = built->descriptor;
        kel::test::setDriveConfig("D:=" + descriptor.string());
    }

    // Once the window is up and the scan at start is over: `look`, then a
    // close as the user gives it.
    void whenIdle(std::function<void(MainWindow&)> look) {
        auto* timer = new QTimer(&test::app());
        QObject::connect(timer, &QTimer::timeout, timer, [timer, look] {
            MainWindow* window = mainWindow();
            if (window == nullptr || !window->isVisible() || BusyFlag()) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            look(*window);
            window->close();
        });
        timer->start(10);
    }
};

TEST_F(WinMainTest, StartsWithSwitchesScansTheLastDriveAndEndsCleanly) {
    insertDemoDisc("mixed");
    if (IsSkipped()) {
        return;
    }
    settings().WriteString("LastDevice", "D:");
    settings().WriteString("SavedWindowPosition", "0,1,(-1,-1),(-1,-1).(60,70,860,670)");
    settings().WriteString("TempPath", (folder_ / "tmp").string());
    const fs::path workFile = folder_.write("tmp/MORVALE/cdg.wrk", "work");
    const fs::path crashedPlayer = folder_.write("tmp/CXG0A1F.TMP", "left by a crash");

    int topLevelItems = 0;
    QString title;
    QRect geometry;
    whenIdle([&](MainWindow& window) {
        topLevelItems = window.panes()->tree()->topLevelItemCount();
        title = window.windowTitle();
        geometry = window.geometry();
    });
    EXPECT_EQ(WinMain(test::app(), "-D3 /c"), 0);

    EXPECT_TRUE(logSwitches().debugMode);
    EXPECT_TRUE(logSwitches().writeThrough);
    EXPECT_EQ(Options().cSwitch, 1);
    EXPECT_GE(topLevelItems, 2) << "the data track's tree and the audio tracks";
    EXPECT_EQ(title, "KEL_MIXED - Quillon");
    EXPECT_EQ(geometry, QRect(60, 70, 800, 600)) << "the saved placement came back";
    EXPECT_FALSE(fs::exists(workFile)) << "the work folder was emptied at exit";
    EXPECT_FALSE(fs::exists(crashedPlayer)) << "a crashed run's record file went at start";
    EXPECT_TRUE(fs::is_directory(folder_ / "tmp" / "MORVALE"));
    EXPECT_TRUE(fs::exists(folder_ / "MORVALE.DBG")) << "debug mode writes the log";
    EXPECT_EQ(mainWindow(), nullptr);
    for (int id : messages_) {
        EXPECT_EQ(id, 254) << "only the guide after the scan";
    }
}

TEST_F(WinMainTest, WithoutAutoStartNoDriveIsChosen) {
    insertDemoDisc("mixed");
    if (IsSkipped()) {
        return;
    }
    settings().WriteString("LastDevice", "D:");
    settings().WriteBool("AutoStart", false);
    bool refreshEnabled = true;
    int topLevelItems = -1;
    whenIdle([&](MainWindow& window) {
        refreshEnabled = window.menu().item(40015)->isEnabled();
        topLevelItems = window.panes()->tree()->topLevelItemCount();
    });
    EXPECT_EQ(WinMain(test::app(), ""), 0);
    EXPECT_FALSE(refreshEnabled);
    EXPECT_EQ(topLevelItems, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(WinMainTest, AnUnknownSwitchEndsTheProgramAfterTheSplash) {
    EXPECT_EQ(WinMain(test::app(), "-D -d16"), 0);
    EXPECT_EQ(messages_, std::vector<int>{206});
    EXPECT_EQ(texts_.at(0), "Command line parameter '-d16' not recognized.");
    EXPECT_EQ(mainWindow(), nullptr) << "no main window was made";
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
    }
}

}  // namespace
}  // namespace kel::diag
