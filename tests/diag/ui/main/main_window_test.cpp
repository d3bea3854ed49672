// The main window's commands: what is offered with and without a drive, the
// busy flag that turns every command into a beep, and a close held until
// the running operation is over.
#include "diag/ui/main/main_window.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "diag/device/device_access.h"
#include "diag/device/program_callbacks.h"
#include "diag/disc/analysis/analysis_dialog.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/track_list.h"
#include "diag/tools/exports/save_text_dialog.h"
#include "diag/ui/copy/copy_command.h"
#include "diag/ui/help_contexts.h"
#include "diag/ui/help_file.h"
#include "diag/ui/help_window.h"
#include "diag/ui/main/program_hooks.h"
#include "diag/ui/options/device_list.h"
#include "main_fixture.h"
#include "platform/base/paths.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/drive_config.h"
#include "tests/support/have_program.h"
#include "tests/support/search_path.h"

namespace kel::diag {
namespace {

class MainWindowTest : public test::MainFixture {
protected:
    void SetUp() override {
        MainFixture::SetUp();
        window_ = std::make_unique<MainWindow>();
        InstallProgramHooks(*window_);
    }
    void TearDown() override {
        waitForScan();
        ReleaseDiscInfo();
        FreeDevices();
        ShutdownDeviceAccess();
        RemoveProgramHooks();
        CloseProgramHelp();
        SetHelpFilePath({});
        window_.reset();
        kel::test::clearDriveConfig();
        MainFixture::TearDown();
    }

    // Drive D: with a disc of empty sectors, chosen as the start device.
    void driveWithDisc() { driveHolding(folder_.write("disc.iso", std::string(300 * 2048, '\0'))); }

    // Drive D: with the disc `image` (or descriptor), chosen as the start device.
    void driveHolding(const std::filesystem::path& image) {
        kel::test::setDriveConfig("D:=" + image.string());
        ASSERT_TRUE(InitDeviceAccess(programStrings(), programMessageCallback()));
        settings().WriteString("LastDevice", "D:");
        ASSERT_TRUE(InitDevices());
        ASSERT_NE(CurrentDevice(), nullptr);
    }

    void waitForScan() {
        while (BusyFlag()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

    bool menuEnabled(int id) const { return window_->menu().item(id)->isEnabled(); }
    bool buttonEnabled(int id) const { return window_->toolbar()->button(id)->isEnabled(); }

    std::unique_ptr<MainWindow> window_;
};

constexpr int kDeviceMenuItems[] = {40017, 40015, 40005, 9070, 51687, 40012, 40032, 40033, 40037};
constexpr int kDeviceButtons[] = {40028, 40019, 40020, 40021, 40022, 40023, 40038, 40039};

TEST_F(MainWindowTest, DeviceCommandsWaitForADrive) {
    for (int id : kDeviceMenuItems) {
        EXPECT_FALSE(menuEnabled(id)) << id;
    }
    for (int id : {51685, 40009, 51682, 40001, 40002, 40003, 40004, 40042, 40043, 40041, 901, 40016,
                   51683}) {
        EXPECT_TRUE(menuEnabled(id)) << id;
    }
    for (int id : kDeviceButtons) {
        EXPECT_FALSE(buttonEnabled(id)) << id;
    }
    for (int id : {40018, 40024, 40025, 40026, 40027}) {
        EXPECT_TRUE(buttonEnabled(id)) << id;
    }
    EXPECT_EQ(window_->mainStatusBar()->deviceText(), "** No device **");

    driveWithDisc();
    for (int id : kDeviceMenuItems) {
        EXPECT_TRUE(menuEnabled(id)) << id;
    }
    for (int id : kDeviceButtons) {
        EXPECT_EQ(buttonEnabled(id), id != 40039 || CurrentDevice()->LoadDisc()) << id;
    }
    EXPECT_TRUE(window_->mainStatusBar()->deviceText().startsWith("Device: D:"));
}

TEST_F(MainWindowTest, CommandsThatNeedADriveSayThereIsNone) {
    for (int id : {40015, 40019, 40028, 40017, 40023, 40012, 40037, 40038, 40039, 40005, 40020,
                   9070, 40021, 51687, 40022}) {
        messages_.clear();
        window_->OnMainCommand(id);
        EXPECT_EQ(messages_, std::vector<int>{102}) << id;
        EXPECT_FALSE(BusyFlag()) << id << " started nothing";
    }
}

TEST_F(MainWindowTest, CommandsOnTheSelectedTrackNeedASelection) {
    driveWithDisc();
    window_->OnMainCommand(51687);
    window_->OnMainCommand(40022);
    window_->OnMainCommand(40033);
    window_->OnMainCommand(40041);
    window_->OnMainCommand(40010);
    window_->OnMainCommand(99);
    window_->OnMainCommand(40036);
    EXPECT_EQ(messages_, (std::vector<int>{133, 133, 234, 234, 10007, 10007, 234}));
}

TEST_F(MainWindowTest, WhileBusyEveryCommandOnlyBeeps) {
    window_->show();
    BusyFlag() = true;
    for (int id : {40015, 51687, 40033, 51682, 40001}) {
        EXPECT_EQ(window_->OnMainCommand(id), 1);
    }
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(window_->windowDestroyed()) << "Exit did nothing either";
    EXPECT_EQ(window_->panes()->list()->listStyle(), ListStyle::Details);

    BusyFlag() = false;
    window_->OnMainCommand(40015);
    EXPECT_EQ(messages_, std::vector<int>{102});
}

TEST_F(MainWindowTest, ACloseDuringAnOperationIsHeldUntilTheNextCommand) {
    window_->show();
    BusyFlag() = true;
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(CloseRequested());
    EXPECT_FALSE(window_->windowDestroyed());
    EXPECT_TRUE(window_->isVisible());

    BusyFlag() = false;
    window_->OnMainCommand(40002);
    EXPECT_TRUE(window_->windowDestroyed());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->panes(), nullptr) << "the panes went with the window";
}

// Closes of the window itself: one held during an operation, and one
// after it, which ends the window.
TEST_F(MainWindowTest, AWindowSystemCloseAfterAHeldOneEndsTheWindow) {
    window_->show();
    BusyFlag() = true;
    window_->windowHandle()->close();
    EXPECT_TRUE(CloseRequested());
    EXPECT_FALSE(window_->windowDestroyed());
    BusyFlag() = false;
    window_->windowHandle()->close();
    EXPECT_TRUE(window_->windowDestroyed());
}

TEST_F(MainWindowTest, CheckForUpdateWithoutABrowserShowsTheAddress) {
    const kel::test::ScopedSearchPath path(folder_ / "bin");
    window_->OnMainCommand(40016);
    ASSERT_EQ(messages_, std::vector<int>{9074});
    EXPECT_NE(texts_[0].find("\n\nhttps://quillon.example/morvale\n\n"), std::string::npos)
        << texts_[0];
}

// Help Topics opens the contents; the help window goes with the main window.
TEST_F(MainWindowTest, HelpTopicsShowTheContentsUntilTheWindowCloses) {
    SetHelpFilePath(HelpFilePath((paths::programDir() / "MORVALE").string()));
    window_->show();
    window_->OnMainCommand(901);
    QPointer<HelpWindow> help;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<HelpWindow*>(widget); found && found->isVisible()) {
            help = found;
        }
    }
    ASSERT_FALSE(help.isNull());
    EXPECT_EQ(help->shownTopic(), help_context::kContents);
    EXPECT_TRUE(messages_.empty());
    window_->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull() || !help->isVisible());
}

// A line of the analysis explains itself in a pop-up from the shipped help;
// the dialog's Help opens the help window at the analysis.
TEST_F(MainWindowTest, TheAnalysisExplainsALineAndItself) {
    const auto built =
        testing::BuildDisc("[disc]\nname = help\nlayout = audio\n[audio]\nlength = 10\n",
                           folder_ / "disc.recipe", folder_ / "out");
    ASSERT_TRUE(built);
    driveHolding(built->descriptor);
    ASSERT_TRUE(StartScanDisc());
    waitForScan();
    SetHelpFilePath(HelpFilePath((paths::programDir() / "MORVALE").string()));
    messages_.clear();
    QString popupText;
    int windowTopic = -1;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<AnalysisDialog*>(dialog), nullptr);
        auto* list = dialog->findChild<QListWidget*>("list");
        // The second line counts the tracks (message 15000).
        ASSERT_GE(list->count(), 2);
        list->setCurrentRow(1);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "helpPopup" && widget->isVisible()) {
                popupText = static_cast<QLabel*>(widget)->text();
            }
        }
        dialog->findChild<QPushButton*>("help")->click();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<HelpWindow*>(widget); help && help->isVisible()) {
                windowTopic = help->shownTopic();
            }
        }
        dialog->findChild<QPushButton*>("ok")->click();
    });
    window_->OnMainCommand(40005);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(popupText.contains("Number of tracks")) << popupText.toStdString();
    EXPECT_EQ(windowTopic, help_context::kAnalysis);
}

TEST_F(MainWindowTest, ACloseDuringTheAnalysisEndsTheWindowWhenItReturns) {
    driveWithDisc();
    window_->show();
    bool busyMeanwhile = false;
    // Without tracks the analysis only tells so; the user closes the main
    // window while that message is up.
    SetMessageResponder([&](int id, std::uint16_t, const std::string&) {
        messages_.push_back(id);
        busyMeanwhile = BusyFlag();
        window_->close();
        EXPECT_FALSE(window_->windowDestroyed()) << "held while the analysis runs";
        return answer::kOk;
    });
    window_->OnMainCommand(40020);
    EXPECT_EQ(messages_, std::vector<int>{170});
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(BusyFlag());
    EXPECT_TRUE(window_->windowDestroyed());
}

TEST_F(MainWindowTest, ACloseWhileIdleEndsTheWindowAndKeepsItsPlace) {
    window_->setGeometry(100, 120, 700, 500);
    window_->show();
    EXPECT_TRUE(window_->close());
    EXPECT_TRUE(window_->windowDestroyed());
    EXPECT_TRUE(settings().ReadString("SavedWindowPosition", "").ends_with(".(100,120,800,620)"));

    // Without "SavePos" the place is not written.
    MainWindow second;
    settings().Delete("SavedWindowPosition");
    Options().savePosition = 0;
    second.show();
    second.close();
    EXPECT_EQ(settings().ReadString("SavedWindowPosition", ""), "");
}

TEST_F(MainWindowTest, WithoutASavedPlaceTheWindowShowsItsParts) {
    window_->show();
    EXPECT_GE(window_->width(), 600);
    EXPECT_GE(window_->height(), 400);
    EXPECT_GE(window_->panes()->height(), 200);
    EXPECT_TRUE(window_->toolbar()->isVisible());
    EXPECT_TRUE(window_->mainStatusBar()->isVisible());
}

TEST_F(MainWindowTest, ListStylesCheckMenuAndToolbarTogether) {
    window_->OnMainCommand(40002);
    EXPECT_TRUE(window_->menu().item(40002)->isChecked());
    EXPECT_TRUE(window_->toolbar()->button(40025)->isChecked());
    EXPECT_EQ(window_->panes()->list()->listStyle(), ListStyle::SmallIcons);

    window_->OnMainCommand(40027);
    EXPECT_TRUE(window_->menu().item(40004)->isChecked());
    EXPECT_FALSE(window_->menu().item(40002)->isChecked());
    EXPECT_EQ(window_->panes()->list()->listStyle(), ListStyle::Details);
}

TEST_F(MainWindowTest, RefreshAsksBeforeDroppingTheDiscInformation) {
    driveWithDisc();
    TrackInfo* record = NewTrackRecord();
    ASSERT_NE(record, nullptr);
    record->track = 77;
    AppendTrack(record);

    window_->OnMainCommand(40015);
    EXPECT_EQ(messages_, std::vector<int>{253});
    EXPECT_FALSE(BusyFlag()) << "Cancel starts no scan";
    EXPECT_EQ(Tracks().first, record);

    questionAnswer_ = answer::kOk;
    window_->OnMainCommand(40019);
    EXPECT_TRUE(BusyFlag()) << "the scan runs";
    window_->OnMainCommand(40015);
    EXPECT_EQ(messages_, (std::vector<int>{253, 253})) << "no second scan while the first runs";
    waitForScan();
    for (const TrackInfo* r = Tracks().first; r != nullptr; r = r->next) {
        EXPECT_NE(r->track, 77) << "the old list was released";
    }
}

// The context menus' copy commands copy the selection into the chosen
// folder, under the busy flag: meanwhile another copy only beeps.
TEST_F(MainWindowTest, TheContextMenusCopyUnderTheBusyFlag) {
    if (!kel::test::haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) makes the disc";
    }
    const auto built = testing::BuildDisc(
        "[disc]\nname = files\n[data]\nrock-ridge = yes\nfile = A.TXT text=a\nfile = SUB/B.TXT "
        "text=b\n",
        folder_ / "disc.recipe", folder_ / "out");
    ASSERT_TRUE(built);
    driveHolding(built->descriptor);
    window_->show();
    ASSERT_TRUE(StartScanDisc());
    waitForScan();
    QTreeWidget* tree = window_->panes()->tree();
    ASSERT_GE(tree->topLevelItemCount(), 1);
    tree->setCurrentItem(tree->topLevelItem(0));
    const std::filesystem::path into = folder_ / "copies";
    std::filesystem::create_directories(into);
    SetCopyTargetChooser(
        [&](QWidget*, bool image) { return (image ? folder_ / "track.img" : into).string(); });
    bool busyMeanwhile = false;
    QTimer::singleShot(0, [&] {
        busyMeanwhile = BusyFlag();
        window_->OnMainCommand(99);
    });
    window_->findChild<QAction*>("menu99")->trigger();
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(BusyFlag());
    EXPECT_TRUE(std::filesystem::is_regular_file(into / "A.TXT"));
    EXPECT_TRUE(std::filesystem::is_regular_file(into / "SUB" / "B.TXT"));

    // The list shows the folder first; the file menu copies it too.
    std::filesystem::remove_all(into / "SUB");
    window_->panes()->list()->selection()->select(
        window_->panes()->list()->model().index(0, 0),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window_->findChild<QAction*>("menu40010")->trigger();
    EXPECT_TRUE(std::filesystem::is_regular_file(into / "SUB" / "B.TXT"));

    SetCopyTargetChooser({});
}

// The Q export lets window messages through while it reads: meanwhile the
// scan, Refresh and a second export only beep.
TEST_F(MainWindowTest, TheQExportRunsUnderTheBusyFlag) {
    const auto built = testing::BuildDisc(
        "[disc]\nname = q\nlayout = audio\n[audio]\nlength = 40\n[audio]\nlength = 30\n",
        folder_ / "disc.recipe", folder_ / "out");
    ASSERT_TRUE(built);
    driveHolding(built->descriptor);
    window_->show();
    ASSERT_TRUE(StartScanDisc());
    waitForScan();
    QTreeWidget* tree = window_->panes()->tree();
    ASSERT_GE(tree->topLevelItemCount(), 1);
    tree->setCurrentItem(tree->topLevelItem(0));
    messages_.clear();

    int dialogs = 0;
    SetSaveTextDialog([&](const SaveTextRequest&) {
        ++dialogs;
        return (folder_ / "q.txt").string();
    });
    bool busyMeanwhile = false;
    QTimer::singleShot(0, [&] {
        busyMeanwhile = BusyFlag();
        for (int id : {51685, 40018, 40015, 40019, 40033, 40039}) {
            window_->OnMainCommand(id);
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == "readingProgress") {
                widget->findChild<QPushButton*>("cancel")->click();
            }
        }
    });
    window_->OnMainCommand(40033);
    SetSaveTextDialog({});
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_EQ(dialogs, 1) << "no second export";
    EXPECT_TRUE(messages_.empty()) << "Refresh asked nothing";
    EXPECT_FALSE(BusyFlag());
    EXPECT_EQ(CurrentDevice()->cancelled, 0) << "the next command keeps its retries";
}

// A disc of 150 folders; the user closes the window as soon as the first
// of them shows in the tree.
TEST_F(MainWindowTest, ACloseDuringTheScanEndsTheWindowWhenTheScanEnds) {
    if (!kel::test::haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    }
    std::string recipe = "[disc]\nname = folders\nlayout = cd-rom\n[data]\nvolume-id = FOLDERS\n";
    for (int i = 0; i < 150; ++i) {
        recipe += "file = D" + std::to_string(1000 + i) + "/F.TXT text=x\n";
    }
    const auto built = testing::BuildDisc(recipe, folder_ / "disc.recipe", folder_ / "out");
    ASSERT_TRUE(built);
    driveHolding(built->descriptor);
    window_->show();
    QTreeWidget* tree = window_->panes()->tree();
    QObject::connect(
        tree->model(), &QAbstractItemModel::rowsInserted, window_.get(),
        [this] { window_->close(); }, Qt::SingleShotConnection);
    window_->OnMainCommand(40015);
    ASSERT_TRUE(BusyFlag());
    waitForScan();
    QApplication::processEvents();
    EXPECT_TRUE(CloseRequested());
    EXPECT_TRUE(window_->windowDestroyed()) << "closed when the scan ended, with no other command";
    EXPECT_EQ(Tracks().first, nullptr) << "the cut tree is not kept as if whole";
    EXPECT_EQ(messages_, std::vector<int>{}) << "no guide after a scan cut short";
}

// The same holds for the operations that run modally: the error summary.
TEST_F(MainWindowTest, ACloseDuringTheErrorSummaryEndsTheWindowWhenItReturns) {
    driveWithDisc();
    window_->show();
    bool heldMeanwhile = false;
    SetMessageResponder([&](int id, std::uint16_t, const std::string&) {
        messages_.push_back(id);
        window_->close();
        heldMeanwhile = !window_->windowDestroyed() && BusyFlag();
        return answer::kCancel;
    });
    window_->OnMainCommand(40023);
    EXPECT_FALSE(messages_.empty());
    EXPECT_TRUE(heldMeanwhile);
    EXPECT_TRUE(window_->windowDestroyed());
}

}  // namespace
}  // namespace kel::diag
