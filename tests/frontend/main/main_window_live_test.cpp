// The main dialog, the player and the tools window against the real drive
// server KELCD32 and emulated drives holding discs built for each case,
// clicked through their widgets.
//
// Each case sets its own drives; the process's drive table is read again.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "emu/drive/emulated_drive.h"
#include "frontend/common/icons.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/kelcd.h"
#include "frontend/main/client_wiring.h"
#include "frontend/main/file_dlg.h"
#include "frontend/main/main_dialog.h"
#include "frontend/main/player_form.h"
#include "frontend/main/tools_form.h"
#include "platform/base/paths.h"
#include "recording_launchers.h"
#include "server/request_codes.h"
#include "tests/frontend/common/scripted_client.h"
#include "tests/support/drive_config.h"
#include "tests/support/live_server.h"
#include "ui_main_dialog.h"
#include "ui_player_form.h"
#include "ui_tools_form.h"
#include "widget_environment.h"

namespace kel::frontend {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kAudio = R"(layout = audio
[audio]
length = 20s
[audio]
length = 10s
)";

const char* const kMixed = R"(layout = mixed
[data]
volume-id = MIXED_DISC
file = README.TXT text=mixed
[audio]
pregap = 2s
length = 20s
[audio]
length = 10s
)";

// Data discs whose files come from a folder the case writes first.
std::string folderDisc(const std::string& volumeId, const std::string& folder) {
    return "layout = cd-rom\n[data]\nvolume-id = " + volumeId + "\nfolder = " + folder + "\n";
}

class MainWindowLive : public ::testing::Test {
protected:
    // First: the widgets below need the application.
    testing::WidgetEnvironment& environment_ = testing::WidgetEnvironment::get();
    void SetUp() override {
        testing::WidgetEnvironment::get();
        if (const std::string missing = kel::test::LiveServerMissing(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        discs_ = testing::WidgetEnvironment::get().folder().path() / "discs";
        fs::create_directories(discs_);
        testing::ResetKelCdData();
        case_.emplace();
    }

    void TearDown() override {
        testing::ForgetPendingModals();
        if (dialog_) {
            kel::test::CloseAndAwaitServerEnd(*client_, [this] { dialog_->close(); });
        }
        dialog_.reset();
        tools_.reset();
        fileDlg_.reset();
        player_.reset();
        icons_.reset();
        client_.reset();
        testing::ResetKelCdData();
    }

    void writeFile(const std::string& name, const std::string& text) {
        fs::create_directories((discs_ / name).parent_path());
        std::ofstream(discs_ / name, std::ios::binary) << text;
    }

    fs::path build(const std::string& name, const std::string& recipeText) {
        const auto built = kel::test::BuildNamedDisc(discs_, name, recipeText);
        return built ? built->descriptor : fs::path();
    }

    // Starts the server over the letters and the dialog; returns after the
    // first scan, false when that failed.
    [[nodiscard]] bool start(const std::map<char, fs::path>& letters) {
        kel::test::UseDrives(letters);
        sources_ = letters;
        client_ = std::make_unique<Tkelcd>();
        icons_ = std::make_unique<Ticons>(*client_);
        player_ = std::make_unique<TCDPlayerForm>(*client_);
        tools_ = std::make_unique<TFtools>(record_.launchers());
        fileDlg_ = std::make_unique<TFileDlg>(drives::drives());
        dialog_ = std::make_unique<TCDTolvarMainDialogBox>(
            MainDialogParts{*client_, *icons_, *player_, *fileDlg_, *tools_, drives::drives(),
                            record_.launchers()});
        QSignalSpy started(dialog_.get(), &TCDTolvarMainDialogBox::StartedUp);
        dialog_->show();
        client_->Formcreate();
        EXPECT_TRUE(testing::processEventsUntil([&] { return started.count() > 0; }, 30s))
            << "the dialog did not finish its first scan";
        return started.count() > 0;
    }

    Ui::TCDTolvarMainDialogBox& form() { return dialog_->Form(); }
    void clickTile(char letter) {
        QTest::mouseClick(const_cast<QLabel*>(dialog_->Tile(letter - 'A' + 1)->Image()),
                          Qt::LeftButton);
    }
    bool trayOpen(char letter) {
        std::string error;
        auto medium = emu::emulatedMedium(sources_.at(letter), error);
        EXPECT_TRUE(medium.has_value()) << error;
        return medium && medium->trayOpen;
    }
    // Opens or closes the tray past the server, as a hand on the drive would.
    void moveTrayByHand(char letter, bool open) {
        std::string error;
        auto drive = emu::openEmulatedDrive(sources_.at(letter), error);
        ASSERT_TRUE(drive) << error;
        const std::uint8_t action = open ? 0x02 : 0x03;
        std::array<std::uint8_t, 6> cdb{0x1B, 0, 0, 0, action, 0};
        drive->execute(cdb, scsi::Direction::None, {}, 5000ms);
    }
    // Asks the drive itself, as a second client would.
    std::int16_t audioStatus(char letter) {
        const std::int16_t saved = KelCdData.DriveNumber;
        KelCdData.DriveNumber = KelCdData.DriveLetterMap[static_cast<std::size_t>(letter - 'A')];
        client_->_Send(kGroupAudio, kSubQuery, kAudioQueryChannel & 0xFF);
        KelCdData.DriveNumber = saved;
        return KelCdData.ChannelInfo.AudioStatus;
    }

    fs::path discs_;
    std::optional<kel::test::LiveCase> case_;
    std::map<char, fs::path> sources_;
    testing::LaunchRecord record_;
    std::unique_ptr<Tkelcd> client_;
    std::unique_ptr<Ticons> icons_;
    std::unique_ptr<TCDPlayerForm> player_;
    std::unique_ptr<TFileDlg> fileDlg_;
    std::unique_ptr<TFtools> tools_;
    std::unique_ptr<TCDTolvarMainDialogBox> dialog_;
};

TEST_F(MainWindowLive, TilesShowEachDiscAfterTheScan) {
    if (!start({{'D', build("audio", kAudio)}, {'E', build("mixed", kMixed)}})) {
        return;
    }
    EXPECT_EQ(dialog_->Tile(4)->Caption(), "Audio CD");
    EXPECT_EQ(dialog_->Tile(5)->Caption(), "MIXED_DISC");
    EXPECT_EQ(dialog_->Tile(3)->pos().x(), 0) << "C: first, the missing A: and B: closed up";
    EXPECT_EQ(dialog_->Tile(4)->pos().x(), DriveTile::kWidth);

    clickTile('D');
    EXPECT_EQ(form().DriveInfo->title(), "Drive D:");
    EXPECT_EQ(form().PanelDiscType->text(), "Audio");
    EXPECT_EQ(form().PanelTracks->text(), "2");
    EXPECT_EQ(form().PanelDiscLength->text(), "00min 30sec");
    EXPECT_EQ(form().PanelDiscSize->text(), " ");
    EXPECT_TRUE(form().PlayButton->isEnabled());
    EXPECT_FALSE(form().RunButton->isEnabled());
    EXPECT_EQ(dialog_->Tile(4)->Image()->pixmap().cacheKey(), icons_->CdImage(0).cacheKey());

    clickTile('E');
    EXPECT_EQ(form().PanelDiscType->text(), "Mixed Mode");
    EXPECT_EQ(form().PanelDiscVolumeID->text(), "MIXED_DISC");
    EXPECT_EQ(form().PanelTracks->text(), "3");
    EXPECT_TRUE(form().PanelDiscSize->text().endsWith(" Mb"));
    EXPECT_TRUE(form().RunButton->isEnabled());
    EXPECT_TRUE(form().SetupButton->isEnabled());
}

TEST_F(MainWindowLive, EjectAndLoadMoveTheTrayAndTheCaptionFollows) {
    if (!start({{'D', build("audio", kAudio)}, {'E', build("mixed", kMixed)}})) {
        return;
    }
    clickTile('D');
    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    EXPECT_TRUE(trayOpen('D'));
    EXPECT_EQ(form().OpenLoadButton->text(), "Close");
    EXPECT_EQ(form().PanelDiscType->text(), "Drive Not Ready");
    EXPECT_FALSE(form().PlayButton->isEnabled());

    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    EXPECT_FALSE(trayOpen('D'));
    EXPECT_EQ(form().OpenLoadButton->text(), "Open");
    // The dialog's own load waits for the disc to spin up, then shows it.
    EXPECT_EQ(form().PanelDiscType->text(), "Audio");
    EXPECT_EQ(dialog_->Tile(4)->Caption(), "Audio CD");
    EXPECT_TRUE(form().PlayButton->isEnabled());

    // Another tile while a tray stands open: that tray closes first.
    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    ASSERT_TRUE(trayOpen('D'));
    clickTile('E');
    EXPECT_FALSE(trayOpen('D'));
    EXPECT_FALSE(trayOpen('E'));
    EXPECT_EQ(form().OpenLoadButton->text(), "Open");
}

TEST_F(MainWindowLive, AfterAnEjectAndARescanTileClicksEjectNothing) {
    if (!start({{'D', build("audio", kAudio)}, {'E', build("mixed", kMixed)}})) {
        return;
    }
    clickTile('D');
    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    ASSERT_TRUE(trayOpen('D'));
    QTest::mouseClick(form().ScanButton, Qt::LeftButton);
    clickTile('E');
    clickTile('C');
    clickTile('E');
    EXPECT_FALSE(trayOpen('E'));
    EXPECT_TRUE(trayOpen('D')) << "the rescan let go of D: selection, not of its tray";
    EXPECT_EQ(form().OpenLoadButton->text(), "Open");
    clickTile('D');
    EXPECT_EQ(form().OpenLoadButton->text(), "Close") << "D:'s tray is still the one open";
}

TEST_F(MainWindowLive, AutoScanNoticesATrayMovedByHand) {
    if (!start({{'D', build("audio", kAudio)}, {'E', build("mixed", kMixed)}})) {
        return;
    }
    dialog_->AutoScan()->trigger();
    ASSERT_TRUE(dialog_->ScanTimer().isActive());
    clickTile('D');

    moveTrayByHand('E', true);
    ASSERT_TRUE(trayOpen('E'));
    moveTrayByHand('E', false);
    EXPECT_TRUE(testing::processEventsUntil(
        [&] {
            return dialog_->SelectedLetter() == 4 && form().PanelDiscType->text() == "Mixed Mode";
        },
        15s))
        << "the auto scan did not show the reloaded disc; it shows "
        << form().PanelDiscType->text().toStdString();
    EXPECT_EQ(form().DriveInfo->title(), "Drive E:");
}

TEST_F(MainWindowLive, PlayerOpensOnTheFirstAudioTrackAndDrivesTheDrive) {
    if (!start({{'D', build("mixed", kMixed)}})) {
        return;
    }
    clickTile('D');
    ASSERT_TRUE(form().PlayButton->isEnabled());
    auto& ui = player_->Form();
    bool checked = false;
    testing::OnNextModal([&](QWidget&) {
        checked = true;
        EXPECT_EQ(ui.CurTrkLabel->text(), "2");
        EXPECT_EQ(ui.StatusLabel->text(), "Playing");
        EXPECT_FALSE(player_->TrackButton(1)->isEnabled());
        EXPECT_TRUE(player_->TrackButton(2)->isEnabled());
        EXPECT_EQ(audioStatus('D'), 17);
        EXPECT_TRUE(
            testing::processEventsUntil([&] { return ui.TrackTimeLabel->text() == "0:02"; }, 6s))
            << "the display shows " << ui.TrackTimeLabel->text().toStdString();

        QTest::mouseClick(ui.SpeedButtonPause, Qt::LeftButton);
        EXPECT_EQ(audioStatus('D'), 18);
        QTest::mouseClick(ui.SpeedButtonPause, Qt::LeftButton);
        EXPECT_EQ(audioStatus('D'), 17);
        QTest::mouseClick(ui.SpeedButtonNext, Qt::LeftButton);
        EXPECT_EQ(ui.CurTrkLabel->text(), "3");
        EXPECT_EQ(audioStatus('D'), 17);
        EXPECT_EQ(KelCdData.ChannelInfo.CurrentTrack, 3);
        QTest::mouseClick(ui.SpeedButtonPrev, Qt::LeftButton);
        EXPECT_EQ(ui.CurTrkLabel->text(), "2");
        EXPECT_TRUE(testing::processEventsUntil([&] { return ui.CurTrkLabel->text() == "2"; }, 3s));
        QTest::mouseClick(ui.SpeedButtonStop, Qt::LeftButton);
        EXPECT_NE(audioStatus('D'), 17);
        EXPECT_EQ(ui.StatusLabel->text(), "Stopped");
        player_->close();
    });
    QTest::mouseClick(form().PlayButton, Qt::LeftButton);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(player_->UpdateTimer().isActive());
    EXPECT_TRUE(form().PlayButton->isEnabled());
    EXPECT_EQ(KelCdData.DriveNumber, 3);
}

TEST_F(MainWindowLive, AutorunStartsTheOpenLinesProgramFromTheDisc) {
    writeFile("setup_src/AUTORUN.INF", "[AUTORUN]\r\nopen = Setup.Exe /q\r\n");
    writeFile("setup_src/SETUP.EXE", "setup");
    writeFile("escape_src/AUTORUN.INF", "[autorun]\nopen=..\\..\\..\\bin\\sh -c true\n");
    if (!start({{'D', build("setup", folderDisc("SETUP_DISC", "setup_src"))},
                {'E', build("escape", folderDisc("ESCAPE", "escape_src"))}})) {
        return;
    }
    dialog_->AutoScan()->trigger();
    clickTile('D');
    ASSERT_TRUE(form().RunButton->isEnabled());
    QTest::mouseClick(form().RunButton, Qt::LeftButton);
    const fs::path root = *drives::drives().root('D');
    ASSERT_EQ(record_.shellCalls.size(), 1u);
    EXPECT_EQ(fs::path(record_.shellCalls[0].file), root / "SETUP.EXE");
    EXPECT_EQ(record_.shellCalls[0].parameters, "/q");
    EXPECT_EQ(record_.shellCalls[0].directory, root.string());
    EXPECT_TRUE(dialog_->ScanTimer().isActive());

    clickTile('E');
    QTest::mouseClick(form().RunButton, Qt::LeftButton);
    EXPECT_EQ(record_.shellCalls.size(), 1u) << "a path off the disc runs nothing";
    EXPECT_TRUE(dialog_->ScanTimer().isActive());
}

TEST_F(MainWindowLive, ToolsWindowFollowsTheDiscAndStartsTheTools) {
    if (!start({{'D', build("audio", kAudio)}, {'E', build("mixed", kMixed)}})) {
        return;
    }
    clickTile('D');
    auto& tools = tools_->Form();
    testing::OnNextModal([&](QWidget& window) {
        EXPECT_EQ(window.windowTitle(), "CD Tools");
        EXPECT_FALSE(tools.test1button->isEnabled());
        EXPECT_TRUE(tools.tocbutton->isEnabled());
        EXPECT_TRUE(tools.comparebutton->isEnabled());
        EXPECT_TRUE(tools.recoverbutton->isEnabled());
        QTest::mouseClick(tools.tocbutton, Qt::LeftButton);
        QTest::mouseClick(tools.comparebutton, Qt::LeftButton);
        QTest::mouseClick(tools.recoverbutton, Qt::LeftButton);
        tools_->testpostgapbuttonClick();
        window.close();
    });
    QTest::mouseClick(form().ToolsButton, Qt::LeftButton);
    const std::string folder = paths::programDir().string();
    EXPECT_EQ(record_.shellCalls,
              (std::vector<testing::ShellCall>{{folder + "/KEL_TOC.EXE", "0", ""},
                                               {folder + "/KEL_COMP.EXE", "", ""},
                                               {folder + "/KEL_FIX.EXE", "0", ""},
                                               {folder + "/KEL_PG.EXE", "0", ""}}));

    moveTrayByHand('E', true);
    clickTile('E');
    testing::OnNextModal([&](QWidget& window) {
        EXPECT_FALSE(tools.test1button->isEnabled());
        EXPECT_FALSE(tools.tocbutton->isEnabled());
        EXPECT_TRUE(tools.comparebutton->isEnabled());
        EXPECT_FALSE(tools.recoverbutton->isEnabled());
        window.close();
    });
    QTest::mouseClick(form().ToolsButton, Qt::LeftButton);
}

TEST_F(MainWindowLive, AServerThatNeverAnswersEndsInTheClientsError) {
    if (!fs::exists(paths::programDir() / "mkdisc")) {
        GTEST_SKIP() << "mkdisc is not built beside this test";
    }
    // None of the machine's drives.
    kel::test::setDriveConfig("");
    // mkdisc starts and ends without ever answering the handshake.
    TkelcdOptions options;
    options.ServerProgram = "mkdisc";
    options.HandshakeLimit = 500ms;
    client_ = std::make_unique<Tkelcd>(options);
    icons_ = std::make_unique<Ticons>(*client_);
    player_ = std::make_unique<TCDPlayerForm>(*client_);
    tools_ = std::make_unique<TFtools>(record_.launchers());
    fileDlg_ = std::make_unique<TFileDlg>(drives::drives());
    dialog_ = std::make_unique<TCDTolvarMainDialogBox>(MainDialogParts{
        *client_, *icons_, *player_, *fileDlg_, *tools_, drives::drives(), record_.launchers()});
    QPointer<QWidget> splash = new QWidget;
    splash->show();
    dialog_->SetSplash(splash);
    ConnectMainDialog(*dialog_, *client_, nullptr);
    QString shown;
    testing::OnNextModal([&shown](QWidget& box) {
        shown = testing::MessageText(box);
        box.close();
    });
    dialog_->show();
    client_->Formcreate();
    // The program's own loop, which the error ends with exit code 1. Asked of
    // a mere pass of events, that end would stay pending and close every later
    // modal window of the process at once.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    giveUp.start(10s);
    EXPECT_EQ(QApplication::exec(), 1);
    EXPECT_TRUE(shown.contains("KELCD32")) << shown.toStdString();
    EXPECT_TRUE(splash.isNull()) << "the splash must not stay";
}

}  // namespace
}  // namespace kel::frontend
