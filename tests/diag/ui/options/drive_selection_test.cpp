// Choosing the drive: the selection dialog over the device list, and the
// Device Settings page's recovery methods per drive.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/options/device_settings_page.h"
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

TEST_F(DriveSelection, AChangedMethodIsWrittenToTheDeviceDatabase) {
    FakeDevice& d = add("D:", "ACME CDROM-4000");
    d.profile->ErrScan = 0x05;
    d.profile->DevReg = 1;
    OptionsBlock copy;
    DeviceSettingsPage page(nullptr, copy);
    page.setActive();
    auto* methods = page.findChild<QComboBox*>("recoveryMethods0");
    methods->setCurrentIndex(methods->findText("*Auto*"));
    ASSERT_TRUE(page.killActive());
    EXPECT_EQ(d.ErrScan(), 0);
    EXPECT_FALSE(d.DevReg()) << "cleared for the automatic method";
    std::ifstream database(folder_ / "ASPIDEV.DDB");
    const std::string text((std::istreambuf_iterator<char>(database)), {});
    EXPECT_NE(text.find("[ACME]"), std::string::npos);
    EXPECT_NE(text.find("ErrScan=0"), std::string::npos);
}

}  // namespace
}  // namespace kel::diag
