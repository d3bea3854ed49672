// The main dialog against a scripted server and a drive table of the test's
// own: what its handlers send, start and show when no drive or no device
// stands behind a letter.
#include "frontend/main/main_dialog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "frontend/common/kel_cd_data.h"
#include "frontend/main/file_dlg.h"
#include "frontend/main/player_form.h"
#include "frontend/main/tools_form.h"
#include "recording_launchers.h"
#include "tests/frontend/common/scripted_client.h"
#include "ui_file_dlg.h"
#include "ui_main_dialog.h"
#include "widget_environment.h"

namespace kel::frontend {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

constexpr int kLetterC = 3;
constexpr int kLetterD = 4;

class MainDialogTest : public ::testing::Test {
protected:
    // First: the widgets below need the application.
    testing::WidgetEnvironment& environment_ = testing::WidgetEnvironment::get();
    void SetUp() override {
        testing::WidgetEnvironment::get();
        testing::ResetKelCdData();
        client_.answer = [](const Lines& request) { return testing::TextReply({request[0], "2"}); };
        drives_ = drives::DriveTable::fromConfig({drives::ConfigEntry{'D', "/nonexistent.iso"}});
        dialog_ = std::make_unique<TCDTolvarMainDialogBox>(MainDialogParts{
            client_, icons_, player_, fileDlg_, tools_, drives_, record_.launchers()});
        dialog_->AutoScan()->setChecked(true);
    }
    void TearDown() override {
        dialog_.reset();
        testing::ResetKelCdData();
    }

    Ui::TCDTolvarMainDialogBox& form() { return dialog_->Form(); }

    // Answers the next "Execute Program" window: notes the text it offers,
    // types `typed` unless that is empty, presses Browse, notes the folder the
    // file dialog starts in, and cancels both.
    void BrowseFromNextPrompt(const QString& typed, QString& offered, QString& started) {
        testing::OnNextModal([this, typed, &offered, &started](QWidget&) {
            offered = fileDlg_.Form().BRfilename->text();
            if (!typed.isEmpty()) {
                fileDlg_.Form().BRfilename->setText(typed);
            }
            testing::OnNextModal([&started](QWidget& window) {
                if (auto* browser = qobject_cast<QFileDialog*>(&window)) {
                    started = browser->directory().canonicalPath();
                }
                window.close();
            });
            QTest::mouseClick(fileDlg_.Form().HelpBtn, Qt::LeftButton);
            QTest::mouseClick(fileDlg_.Form().CancelBtn, Qt::LeftButton);
        });
    }

    testing::ScriptedClient client_;
    testing::LaunchRecord record_;
    Ticons icons_{client_};
    TCDPlayerForm player_{client_};
    drives::DriveTable drives_;
    TFileDlg fileDlg_{drives_};
    TFtools tools_{record_.launchers()};
    std::unique_ptr<TCDTolvarMainDialogBox> dialog_;
};

TEST_F(MainDialogTest, WithoutASelectedDriveNoHandlerActs) {
    ASSERT_EQ(dialog_->SelectedLetter(), -1);
    dialog_->OpenLoadButtonClick();
    dialog_->RunButtonClick();
    dialog_->SetupButtonClick();
    dialog_->PlayButtonClick();
    dialog_->ToolsButtonClick();
    dialog_->LabelMSCDEXDblClick();
    EXPECT_TRUE(client_.requests.empty());
    EXPECT_TRUE(record_.commandLines.empty());
    EXPECT_TRUE(record_.shellCalls.empty());
}

TEST_F(MainDialogTest, ACdLetterWithoutAServerDeviceSendsNothing) {
    ASSERT_EQ(KelCdData.DriveLetterMap[kLetterD - 1], kNoDevice);
    dialog_->show();
    QTest::mouseClick(dialog_->Tile(kLetterD), Qt::LeftButton);
    EXPECT_EQ(form().PanelDiscType->text(), "Drive Not Ready");
    EXPECT_EQ(form().PanelDiscSize->text(), "No Disc");
    EXPECT_FALSE(form().PlayButton->isEnabled());
    EXPECT_TRUE(form().OpenLoadButton->isEnabled());
    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    QTest::mouseClick(form().OpenLoadButton, Qt::LeftButton);
    dialog_->LabelMSCDEXDblClick();
    EXPECT_TRUE(client_.requests.empty());
}

TEST_F(MainDialogTest, TilesOfMissingLettersHideAndTheRestClosesUp) {
    dialog_->show();
    dialog_->ScanAllDrives();
    EXPECT_TRUE(dialog_->Tile(1)->isHidden());
    EXPECT_TRUE(dialog_->Tile(2)->isHidden());
    EXPECT_FALSE(dialog_->Tile(kLetterC)->isHidden());
    EXPECT_FALSE(dialog_->Tile(kLetterD)->isHidden());
    EXPECT_TRUE(dialog_->Tile(5)->isHidden());
    EXPECT_EQ(dialog_->SelectedLetter(), 0) << "the scan ends on A";
    EXPECT_EQ(form().ScanButton->text(), "Scan");
    EXPECT_TRUE(dialog_->ScanTimer().isActive());
    dialog_->ScanButtonDblClick();
    EXPECT_FALSE(dialog_->ScanTimer().isActive());
}

TEST_F(MainDialogTest, FixedDiskShowsItsKindAndSize) {
    dialog_->show();
    QTest::mouseClick(dialog_->Tile(kLetterC), Qt::LeftButton);
    EXPECT_EQ(form().PanelDiscType->text(), "Hard Disk");
    EXPECT_TRUE(form().PanelDiscSize->text().endsWith(" Mb"));
    EXPECT_EQ(form().DriveInfo->title(), "Drive C:");
    EXPECT_TRUE(form().SetupButton->isEnabled());
    EXPECT_TRUE(form().RunButton->isEnabled());
    EXPECT_FALSE(form().OpenLoadButton->isEnabled());
    EXPECT_FALSE(form().PlayButton->isEnabled());
}

TEST_F(MainDialogTest, SetupFallsBackToInstallThenWarns) {
    dialog_->show();
    QTest::mouseClick(dialog_->Tile(kLetterC), Qt::LeftButton);
    record_.winExecCodes = {2, 33};
    QTest::mouseClick(form().SetupButton, Qt::LeftButton);
    EXPECT_EQ(record_.commandLines, (Lines{"C:\\setup.exe", "C:\\install.exe"}));
    EXPECT_TRUE(dialog_->ScanTimer().isActive());

    record_.commandLines.clear();
    record_.winExecCodes = {2, 3};
    QString shown;
    testing::OnNextModal([&shown](QWidget& box) {
        shown = testing::MessageText(box);
        box.close();
    });
    QTest::mouseClick(form().SetupButton, Qt::LeftButton);
    EXPECT_EQ(shown, "Setup/Install program does not exist in Root Directory.");
    EXPECT_EQ(record_.commandLines.size(), 2u);
    EXPECT_TRUE(dialog_->ScanTimer().isActive());
}

TEST_F(MainDialogTest, NoAutorunFileOffersTheProgramBrowser) {
    dialog_->show();
    QTest::mouseClick(dialog_->Tile(kLetterC), Qt::LeftButton);
    testing::OnNextModal([this](QWidget& window) {
        EXPECT_EQ(window.windowTitle(), "Execute Program");
        EXPECT_FALSE(dialog_->ScanTimer().isActive()) << "no auto scan behind a modal window";
        EXPECT_EQ(fileDlg_.Form().BRfilename->text(), "C:\\");
        fileDlg_.Form().BRfilename->setText("C:\\tools\\run.exe");
        QTest::mouseClick(fileDlg_.Form().OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(form().RunButton, Qt::LeftButton);
    ASSERT_EQ(record_.shellCalls.size(), 1u);
    EXPECT_EQ(record_.shellCalls[0], (testing::ShellCall{"C:\\tools\\run.exe", "", ""}));
    EXPECT_TRUE(dialog_->ScanTimer().isActive());

    testing::OnNextModal([this](QWidget&) {
        fileDlg_.Form().BRfilename->setText("C:\\other.exe");
        QTest::mouseClick(fileDlg_.Form().CancelBtn, Qt::LeftButton);
    });
    QTest::mouseClick(form().RunButton, Qt::LeftButton);
    EXPECT_EQ(record_.shellCalls.size(), 1u) << "cancelling runs nothing";

    testing::OnNextModal(
        [this](QWidget&) { QTest::mouseClick(fileDlg_.Form().OKBtn, Qt::LeftButton); });
    QTest::mouseClick(form().RunButton, Qt::LeftButton);
    EXPECT_EQ(record_.shellCalls.size(), 1u) << "the bare drive root runs nothing";
}

QString CanonicalFolder(const std::filesystem::path& folder) {
    return QDir(QString::fromStdString(folder.string())).canonicalPath();
}

// "C:\dir" as the user types it, for a folder below the fixed disk's "/".
QString DrivePathOf(const std::filesystem::path& folder) {
    return "C:" + QString::fromStdString(folder.string()).replace('/', '\\');
}

TEST_F(MainDialogTest, BrowseStartsInTheFolderTheTypedDrivePathStandsFor) {
    const std::filesystem::path folder = environment_.folder().path() / "browse";
    std::filesystem::create_directories(folder);
    const QString expected = CanonicalFolder(folder);
    dialog_->show();
    QTest::mouseClick(dialog_->Tile(kLetterC), Qt::LeftButton);
    for (const QString& typed : {DrivePathOf(folder), DrivePathOf(folder / "missing.exe")}) {
        QString offered;
        QString started;
        BrowseFromNextPrompt(typed, offered, started);
        QTest::mouseClick(form().RunButton, Qt::LeftButton);
        EXPECT_EQ(offered, "C:\\");
        EXPECT_EQ(started, expected) << typed.toStdString();
    }
    EXPECT_TRUE(record_.shellCalls.empty());
}

TEST_F(MainDialogTest, FloppyRemovableAndNetworkTilesShowTheirKind) {
    const std::filesystem::path root = environment_.folder().path() / "kinds";
    for (const char* folder : {"floppy", "usb", "share"}) {
        std::filesystem::create_directories(root / folder);
    }
    const drives::ParsedConfig parsed = drives::parseDriveConfig(
        "A:=floppy:" + (root / "floppy").string() + ";B:=floppy:" + (root / "none").string() +
        ";R:=removable:" + (root / "usb").string() + ";N:=network:" + (root / "share").string());
    ASSERT_TRUE(parsed.problems.empty());
    drives_ = drives::DriveTable::fromConfig(parsed.entries, parsed.folders);
    dialog_->show();

    struct Row {
        int letterNumber;
        const char* kind;
        int icon;
        bool sized;  // a click shows the size (a removable disk's waits for a double click)
    };
    for (const Row& row :
         {Row{1, "Floppy Disk", kIconFloppy, false}, Row{2, "Floppy Disk", kIconFloppy, false},
          Row{18, "Removable Media", kIconRemovable, false},
          Row{14, "Network Drive", kIconNetwork, true}}) {
        SCOPED_TRACE(row.letterNumber);
        QTest::mouseClick(dialog_->Tile(row.letterNumber), Qt::LeftButton);
        EXPECT_EQ(form().PanelDiscType->text(), row.kind);
        EXPECT_EQ(dialog_->Tile(row.letterNumber)->Image()->pixmap().cacheKey(),
                  icons_.MakeOtherIcon(row.icon).cacheKey());
        EXPECT_EQ(form().PanelDiscSize->text().endsWith(" Mb"), row.sized);
        EXPECT_TRUE(form().RunButton->isEnabled());
        EXPECT_TRUE(form().SetupButton->isEnabled());
        EXPECT_FALSE(form().PlayButton->isEnabled());
        EXPECT_FALSE(form().OpenLoadButton->isEnabled());
    }

    // A disk in the drive: its size, then the program browser on its root,
    // whose Browse starts in the folder that stands for it.
    struct Disk {
        int letterNumber;
        const char* root;
        const char* folder;
        const char* size;
    };
    for (const Disk& disk : {Disk{1, "A:\\", "floppy", " Kb"}, Disk{18, "R:\\", "usb", " Mb"}}) {
        SCOPED_TRACE(disk.letterNumber);
        QString offered;
        QString started;
        BrowseFromNextPrompt({}, offered, started);
        QTest::mouseDClick(dialog_->Tile(disk.letterNumber), Qt::LeftButton);
        EXPECT_EQ(offered, disk.root);
        EXPECT_EQ(started,
                  QDir(QString::fromStdString((root / disk.folder).string())).canonicalPath());
        EXPECT_TRUE(form().PanelDiscSize->text().endsWith(disk.size));
    }

    QString shown;
    testing::OnNextModal([&shown](QWidget& box) {
        shown = testing::MessageText(box);
        box.close();
    });
    QTest::mouseDClick(dialog_->Tile(2), Qt::LeftButton);
    EXPECT_EQ(shown, "No disk in the drive.");
    EXPECT_TRUE(record_.shellCalls.empty());
}

TEST_F(MainDialogTest, DoubleClickOnADriveNotReadySaysSo) {
    dialog_->show();
    QString shown;
    testing::OnNextModal([&shown](QWidget& box) {
        shown = testing::MessageText(box);
        box.close();
    });
    QTest::mouseDClick(dialog_->Tile(kLetterD), Qt::LeftButton);
    EXPECT_EQ(shown, "Drive Not Ready");
}

TEST_F(MainDialogTest, AutoScanMenuItemSwitchesTheTimer) {
    dialog_->AutoScan()->setChecked(false);
    dialog_->AutoScan()->trigger();
    EXPECT_TRUE(dialog_->AutoScan()->isChecked());
    EXPECT_TRUE(dialog_->ScanTimer().isActive());
    dialog_->AutoScan()->trigger();
    EXPECT_FALSE(dialog_->ScanTimer().isActive());
}

}  // namespace
}  // namespace kel::frontend
