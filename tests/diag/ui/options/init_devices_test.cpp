// Enumerating the drives at start against emulated drives from the drive
// configuration, and picking the one used last.
#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/program_callbacks.h"
#include "diag/ui/options/device_list.h"
#include "options_fixture.h"
#include "tests/support/drive_config.h"

namespace kel::diag {
namespace {

class InitDevicesTest : public test::OptionsFixture {
protected:
    void SetUp() override {
        OptionsFixture::SetUp();
        SetDatabaseFileName(folder_ / "ASPIDEV.DDB");
        SetDeviceSelectionHooks({[this](CdDevice* device) { shown_.push_back(device); },
                                 [this] { ++enabled_; },
                                 {},
                                 {}});
    }
    void TearDown() override {
        FreeDevices();
        ShutdownDeviceAccess();
        SetDeviceSelectionHooks({});
        SetDatabaseFileName({});
        kel::test::clearDriveConfig();
        OptionsFixture::TearDown();
    }

    void configureDrives(const std::string& config) {
        folder_.write("disc.iso", std::string(300 * 2048, '\0'));
        kel::test::setDriveConfig(config);
        ASSERT_TRUE(InitDeviceAccess(programStrings(), programMessageCallback()));
    }
    // Drives D: and F: with a data disc each.
    void twoDrives() {
        configureDrives("D:=" + (folder_ / "disc.iso").string() +
                        ";F:=" + (folder_ / "disc.iso").string());
    }

    std::vector<CdDevice*> shown_;
    int enabled_ = 0;
};

TEST_F(InitDevicesTest, TheLastUsedDriveIsChosenWhenReady) {
    twoDrives();
    settings().WriteString("LastDevice", "F:");
    EXPECT_TRUE(InitDevices());
    ASSERT_EQ(Devices().size(), 2u);
    EXPECT_EQ(Devices()[0]->AddressName(), "D:");
    EXPECT_EQ(Devices()[1]->AddressName(), "F:");
    ASSERT_EQ(CurrentDevice(), Devices()[1].get());
    EXPECT_EQ(shown_, std::vector<CdDevice*>{CurrentDevice()});
    EXPECT_EQ(enabled_, 1);
    EXPECT_EQ(CurrentDevice()->noReadErrorMessage, 1);
    EXPECT_EQ(settings().ReadString("LastDevice", ""), "F:");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(InitDevicesTest, ALastDriveThatIsGoneLeavesNoneChosen) {
    twoDrives();
    settings().WriteString("LastDevice", "G:");
    EXPECT_FALSE(InitDevices());
    EXPECT_EQ(Devices().size(), 2u);
    EXPECT_EQ(CurrentDevice(), nullptr);
    EXPECT_TRUE(shown_.empty());

    // The name must match exactly.
    FreeDevices();
    settings().WriteString("LastDevice", "f:");
    EXPECT_FALSE(InitDevices());
    EXPECT_EQ(CurrentDevice(), nullptr);
}

TEST_F(InitDevicesTest, WithoutAutoStartTheUserChooses) {
    twoDrives();
    settings().WriteString("LastDevice", "D:");
    Options().autoStart = 0;
    EXPECT_FALSE(InitDevices());
    EXPECT_EQ(Devices().size(), 2u);
    EXPECT_EQ(CurrentDevice(), nullptr);
}

TEST_F(InitDevicesTest, ADriveThatDoesNotOpenIsLeftOut) {
    configureDrives("D:=" + (folder_ / "missing.iso").string() +
                    ";E:=" + (folder_ / "disc.iso").string());
    settings().WriteString("LastDevice", "E:");
    EXPECT_TRUE(InitDevices());
    ASSERT_EQ(Devices().size(), 1u);
    EXPECT_EQ(Devices()[0]->AddressName(), "E:");
    EXPECT_EQ(messages_, std::vector<int>{3011}) << "the failed open was reported";
}

TEST_F(InitDevicesTest, NoDrivesAtAll) {
    configureDrives("");
    EXPECT_FALSE(InitDevices());
    EXPECT_TRUE(Devices().empty());
    EXPECT_EQ(CurrentDevice(), nullptr);
}

}  // namespace
}  // namespace kel::diag
