// Choosing the drive: the selection dialog over the device list, and the
// Device Settings page's recovery methods per drive.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <fstream>
#include <tuple>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/options/device_settings_page.h"
#include "diag/ui/options/preferences_sheet.h"
#include "diag/ui/options/recovery_methods.h"
#include "diag/ui/options/select_drive_dialog.h"
#include "fake_device.h"
#include "options_fixture.h"

namespace kel::diag {
namespace {

using test::FakeDevice;

class DriveSelection : public test::OptionsFixture {
protected:
    void SetUp() override {
        OptionsFixture::SetUp();
        SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
        SetDeviceSelectionHooks({[this](CdDevice* device) { shown_.push_back(device); },
                                 [this] { ++enabled_; },
                                 [this](CdDevice&) { ++prepared_; },
                                 {}});
    }
    void TearDown() override {
        FreeDevices();
        SetDeviceSelectionHooks({});
        SetDatabaseFileName({});
        OptionsFixture::TearDown();
    }
    FakeDevice& add(std::string address, std::string description, bool ready = true) {
        auto device = std::make_unique<FakeDevice>(address, description, ready);
        FakeDevice& added = *device;
        Devices().push_back(std::move(device));
        return added;
    }

    std::vector<CdDevice*> shown_;
    int enabled_ = 0;
    int prepared_ = 0;
};

TEST_F(DriveSelection, DialogListsTheDrivesWithTheCurrentOneSelected) {
    add("D:", "ACME CDROM-4000");
    FakeDevice& e = add("E:", "KELEMU CD-ROM EMULATED");
    SetCurrentDevice(&e);
    SelectDriveDialog dialog(nullptr);
    auto* list = dialog.findChild<QListWidget*>("driveList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "D:  ACME CDROM-4000");
    EXPECT_EQ(list->item(1)->text(), "E:  KELEMU CD-ROM EMULATED");
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_NE(dialog.findChild<QPushButton*>("help"), nullptr);
    EXPECT_TRUE(messages_.empty()) << "the current drive is not tested again";
}

TEST_F(DriveSelection, ANotReadyDriveCannotBeChosen) {
    add("D:", "ACME CDROM-4000", false);
    SelectDriveDialog dialog(nullptr);
    auto* list = dialog.findChild<QListWidget*>("driveList");
    list->setCurrentRow(0);
    EXPECT_EQ(messages_, std::vector<int>{108});
    EXPECT_NE(texts_.at(0).find("ACME CDROM-4000"), std::string::npos);
    EXPECT_TRUE(list->selectedItems().isEmpty());

    messages_.clear();
    dialog.accept();
    EXPECT_EQ(messages_, std::vector<int>{102});
    EXPECT_EQ(dialog.result(), 0) << "the dialog stays";
    EXPECT_EQ(CurrentDevice(), nullptr);
}

TEST_F(DriveSelection, ChoosingADriveMakesItCurrentAndRemembersIt) {
    add("D:", "ACME CDROM-4000");
    FakeDevice& e = add("E:", "KELEMU CD-ROM EMULATED");
    Options().quietReads = 1;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<SelectDriveDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QListWidget*>("driveList")->setCurrentRow(1);
        dialog->findChild<QPushButton*>("ok")->click();
    });
    EXPECT_EQ(RunSelectDrive(nullptr), 1);
    EXPECT_EQ(CurrentDevice(), &e);
    EXPECT_EQ(e.noReadErrorMessage, 1);
    EXPECT_EQ(settings().ReadString("LastDevice", ""), "E:");
    EXPECT_EQ(shown_, std::vector<CdDevice*>{&e});
    EXPECT_EQ(enabled_, 1);
    EXPECT_EQ(prepared_, 1);
}

TEST_F(DriveSelection, WithoutDrivesTheDialogSaysSoAndCancels) {
    EXPECT_EQ(RunSelectDrive(nullptr), 0);
    EXPECT_EQ(messages_, std::vector<int>{103});
}

TEST(RecoveryMethods, EntriesOfTheStringTableAndDamagedOnes) {
    const std::vector<RecoveryMethod> methods =
        ParseRecoveryMethods("*Auto*,0;PER+DTE,0x06;TB,010;bad;X,1y;Y,300;Z,");
    ASSERT_EQ(methods.size(), 3u);
    EXPECT_EQ(methods[0].name, "*Auto*");
    EXPECT_EQ(methods[0].value, 0);
    EXPECT_EQ(methods[1].value, 6);
    EXPECT_EQ(methods[2].value, 8) << "a leading 0 is octal";
}

TEST_F(DriveSelection, DeviceSettingsOfferOnlyTheMethodsADriveAccepts) {
    FakeDevice& d = add("D:", "ACME CDROM-4000");
    d.refused = {0x06, 0x27};
    d.profile->ErrScan = 0x05;
    OptionsBlock copy;
    DeviceSettingsPage page(nullptr, copy);
    page.setActive();
    auto* methods = page.findChild<QComboBox*>("recoveryMethods0");
    EXPECT_EQ(methods->count(), 7);
    EXPECT_EQ(methods->findText("PER+DTE"), -1);
    EXPECT_EQ(methods->currentText(), "PER+DCR");
    EXPECT_EQ(page.findChild<QLabel*>("deviceName0")->text(), "ACME CDROM-4000");
    EXPECT_FALSE(page.findChild<QComboBox*>("recoveryMethods1")->isEnabled());
    // The drive's own setting is put back after the tries, quietly.
    EXPECT_EQ(d.recoveryWrites.back(), 0x2005);
    EXPECT_EQ(d.quiet, 0);
}

// The preferences give the current drive the debug level that enumeration
// gives every drive: debug log and write-through together are level 3.
TEST_F(DriveSelection, PreferencesSetTheDebugLevelEnumerationWould) {
    FakeDevice& d = add("D:", "ACME CDROM-4000");
    SetCurrentDevice(&d);
    OptionsBlock copy;
    for (const auto& [debug, writeThrough, level] :
         {std::tuple{0, 0, 0}, std::tuple{1, 0, 1}, std::tuple{0, 1, 2}, std::tuple{1, 1, 3}}) {
        copy.debugMode = static_cast<std::uint8_t>(debug);
        copy.logWriteThrough = static_cast<std::uint8_t>(writeThrough);
        ApplyPreferences(copy);
        EXPECT_EQ(d.debugLevel, level) << debug << writeThrough;
        EXPECT_EQ(DeviceDebugLevel(copy), level);
    }
    SetCurrentDevice(nullptr);
}

// The database is written only by OK: leaving the page and coming back
// keeps the choice, and Cancel leaves the file as it was.
TEST_F(DriveSelection, AChangedMethodIsWrittenToTheDeviceDatabaseOnlyOnOk) {
    FakeDevice& d = add("D:", "ACME CDROM-4000");
    d.profile->ErrScan = 0x05;
    d.profile->DevReg = 1;
    const std::string before = "[OTHER]\r\n\tDRIVE:ErrScan=6\r\n";
    folder_.write("ASPIDEV.DDB", before);
    const auto database = [this] {
        std::ifstream file(folder_ / "ASPIDEV.DDB", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), {});
    };
    const auto chooseAuto = [](PreferencesSheet& sheet) {
        sheet.tabs()->setCurrentIndex(2);
        auto* methods = sheet.findChild<QComboBox*>("recoveryMethods0");
        methods->setCurrentIndex(methods->findText("*Auto*"));
        sheet.tabs()->setCurrentIndex(0);
    };
    OptionsBlock copy;
    {
        PreferencesSheet sheet(nullptr, copy);
        chooseAuto(sheet);
        sheet.tabs()->setCurrentIndex(2);
        EXPECT_EQ(sheet.findChild<QComboBox*>("recoveryMethods0")->currentText(), "*Auto*")
            << "the choice survives leaving the page";
        sheet.reject();
    }
    EXPECT_EQ(database(), before) << "Cancel wrote nothing";
    EXPECT_EQ(d.ErrScan(), 0x05);
    EXPECT_TRUE(d.DevReg());

    PreferencesSheet sheet(nullptr, copy);
    chooseAuto(sheet);
    EXPECT_EQ(database(), before) << "leaving the page wrote nothing";
    sheet.accept();
    ASSERT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(d.ErrScan(), 0);
    EXPECT_FALSE(d.DevReg()) << "cleared for the automatic method";
    const std::string text = database();
    EXPECT_NE(text.find("[ACME]"), std::string::npos);
    EXPECT_NE(text.find("ErrScan=0"), std::string::npos);
    EXPECT_NE(text.find("DRIVE:ErrScan=6"), std::string::npos);
}

}  // namespace
}  // namespace kel::diag
