// What the main window ties together around its workers: a fault the disc
// scan caught goes into a problem report, and the CD+G player holds the
// busy flag for as long as it plays, so that a close waits for it.
#include <QTimer>
#include <filesystem>

#include "diag/device/device_access.h"
#include "diag/device/program_callbacks.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/tools/cdg/cdg_player_window.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/ui/main/main_menu.h"
#include "diag/ui/main/main_window.h"
#include "diag/ui/main/program_hooks.h"
#include "diag/ui/options/device_list.h"
#include "main_fixture.h"
#include "tests/support/drive_config.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

class ProgramWorkers : public test::MainFixture {
protected:
    void SetUp() override {
        MainFixture::SetUp();
        window_ = std::make_unique<MainWindow>();
        InstallProgramHooks(*window_);
    }
    void TearDown() override {
        waitWhileBusy();
        ReleaseDiscInfo();
        FreeDevices();
        ShutdownDeviceAccess();
        RemoveProgramHooks();
        window_.reset();
        kel::test::clearDriveConfig();
        MainFixture::TearDown();
    }

    static void waitWhileBusy() {
        while (BusyFlag()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    // Drive D: with an audio disc, scanned; its first track is selected.
    void scannedAudioDisc() {
        auto parsed = mkdisc::parseRecipe("[disc]\nlayout = audio\n[audio]\nlength = 20s\n",
                                          folder_ / "disc.recipe");
        ASSERT_TRUE(std::holds_alternative<mkdisc::Recipe>(parsed));
        mkdisc::BuildOptions options;
        options.outputDir = folder_ / "discs";
        auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(parsed), options);
        ASSERT_TRUE(std::holds_alternative<mkdisc::BuiltDisc>(built));
        const fs::path descriptor = std::get<mkdisc::BuiltDisc>(built).descriptor;
        kel::test::setDriveConfig("D:=" + descriptor.string());
        ASSERT_TRUE(InitDeviceAccess(programStrings(), programMessageCallback()));
        settings().WriteString("LastDevice", "D:");
        ASSERT_TRUE(InitDevices());
        ASSERT_TRUE(StartScanDisc());
        waitWhileBusy();
    }

    std::unique_ptr<MainWindow> window_;
};

TEST_F(ProgramWorkers, AFaultTheScanCaughtIsReported) {
    const fs::path reports = folder_ / "reports";
    fs::create_directories(reports);
    ProblemReportSettings settings;
    settings.folder = reports;
    settings.reporter = folder_ / "no-such-reporter";
    ASSERT_TRUE(InstallProblemReportHandler(settings));
    ASSERT_TRUE(CurrentScanHooks().reportFault);
    CurrentScanHooks().reportFault("bad_alloc");
    EXPECT_EQ(std::distance(fs::directory_iterator(reports), fs::directory_iterator()), 1);
}

TEST_F(ProgramWorkers, ACloseDuringCdgPlaybackWaitsForThePlayer) {
    scannedAudioDisc();
    if (HasFatalFailure()) {
        return;
    }
    bool playerSeen = false;
    bool busyMeanwhile = false;
    auto* timer = new QTimer(&test::app());
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<CdgPlayerWindow*>(widget) != nullptr && widget->isVisible()) {
                timer->stop();
                timer->deleteLater();
                playerSeen = true;
                busyMeanwhile = BusyFlag();
                window_->close();
                return;
            }
        }
    });
    timer->start(10);
    window_->OnMainCommand(command::kCdg);
    EXPECT_TRUE(playerSeen);
    EXPECT_TRUE(busyMeanwhile) << "no other command may use the drive meanwhile";
    EXPECT_FALSE(BusyFlag());
    EXPECT_TRUE(window_->windowDestroyed()) << "the held close came after playback";
}

}  // namespace
}  // namespace kel::diag
