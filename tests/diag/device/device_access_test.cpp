// Choosing the access interface, creating and cloning devices, and the
// byte-order helpers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "diag/device/aspi_access.h"
#include "diag/device/device_access.h"
#include "diag/device/registry_key.h"
#include "diag/device/spti_device.h"
#include "registry_fixture.h"

namespace kel::diag {
namespace {

class DeviceAccessTest : public testing::RegistryFixture {
protected:
    void TearDown() override {
        ShutdownDeviceAccess();
        RegistryFixture::TearDown();
    }
    void setAspiOnly(std::uint32_t value) {
        RegistryKey key;
        ASSERT_TRUE(key.Open("MORVALE"));
        key.WriteDword("UseASPIOnly", value);
    }
    std::shared_ptr<DriveAccess> drives_ = std::make_shared<DriveAccess>();
};

TEST_F(DeviceAccessTest, PassThroughUnlessAspiIsForced) {
    setAspiOnly(0);
    ASSERT_TRUE(InitDeviceAccess({}, {}, DeviceAccessSetup{drives_, {}}));
    EXPECT_EQ(SelectedAccessInterface(), AccessInterface::PassThrough);
    auto device = CreateDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->InterfaceName(), "SPT 1.0");
}

TEST_F(DeviceAccessTest, AspiForcedLoadsTheAspiBackEnd) {
    setAspiOnly(1);
    int loads = 0;
    int unloads = 0;
    AspiBackend aspi{
        [&](const MessageCallback&) { return ++loads > 0; }, [&] { ++unloads; },
        [&] { return std::unique_ptr<CdDevice>(std::make_unique<SptiDevice>(drives_)); }};
    ASSERT_TRUE(InitDeviceAccess({}, {}, DeviceAccessSetup{drives_, aspi}));
    EXPECT_EQ(SelectedAccessInterface(), AccessInterface::Aspi);
    EXPECT_EQ(loads, 1);
    ShutdownDeviceAccess();
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(CreateDevice());
}

TEST_F(DeviceAccessTest, AspiForcedWithoutAManagerFails) {
    setAspiOnly(1);
    std::vector<DeviceMessage> shown;
    MessageCallback messages = [&](const DeviceMessage& m) {
        shown.push_back(m);
        return MessageAnswer::Ok;
    };
    AspiBackend missing = MakeAspiBackend({}, folder_ / "no-manager-here.so");
    EXPECT_FALSE(InitDeviceAccess({}, messages, DeviceAccessSetup{drives_, missing}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, 3004);
    EXPECT_EQ(SelectedAccessInterface(), AccessInterface::None);
}

// The Cancel button's thread sets the flag that a worker's reading loop
// polls; the worker must see it rather than a value kept from before.
TEST_F(DeviceAccessTest, ACancelReachesAWorkerThatPollsForIt) {
    SptiDevice device(drives_);
    std::atomic<bool> polling{false};
    std::thread worker([&] {
        polling = true;
        while (device.cancelled == 0) {
        }
    });
    while (!polling) {
        std::this_thread::yield();
    }
    device.SetCancel();
    worker.join();
    EXPECT_EQ(device.cancelled, 1);
}

TEST_F(DeviceAccessTest, CloneKeepsSettingsAndStartsCountersAfresh) {
    SptiDevice source(drives_);
    source.quiet = 1;
    source.debugLevel = 2;
    source.cancelled = 1;
    source.mediumClass = 0x10;
    source.driveLetter = 'E';
    source.recoveredCount = 3;
    source.mediumErrorCount = 4;
    source.senseKey = 3;
    source.senseAsc = 0x11;
    source.rawMode = 1;
    source.profile->Mode10 = 1;
    int logged = 0;
    source.logCallback = [&](std::string_view) { ++logged; };
    auto clone = CloneDevice(source);
    auto& copy = static_cast<SptiDevice&>(*clone);
    EXPECT_EQ(copy.quiet, 1);
    EXPECT_EQ(copy.debugLevel, 2);
    EXPECT_EQ(copy.cancelled, 0) << "a cancelled prompt belongs to its own drive";
    EXPECT_EQ(copy.mediumClass, 0x10);
    EXPECT_EQ(copy.driveLetter, 'E');
    EXPECT_EQ(copy.recoveredCount, 0u);
    EXPECT_EQ(copy.mediumErrorCount, 0u);
    EXPECT_EQ(copy.senseKey, 0);
    EXPECT_EQ(copy.senseAsc, 0);
    EXPECT_EQ(copy.rawMode, 0);
    EXPECT_FALSE(copy.isOpen());
    EXPECT_EQ(copy.profile->Mode10, 1);
    EXPECT_NE(copy.profile.get(), source.profile.get());
    copy.logCallback("x");
    EXPECT_EQ(logged, 1);
}

TEST_F(DeviceAccessTest, CurrentDevice) {
    SptiDevice device(drives_);
    SetCurrentDevice(&device);
    EXPECT_EQ(CurrentDevice(), &device);
    SetCurrentDevice(nullptr);
    EXPECT_EQ(CurrentDevice(), nullptr);
}

TEST(ByteOrder, SwapReadsBigEndianFields) {
    const std::uint8_t two[] = {1, 2};
    const std::uint8_t four[] = {0, 0, 1, 2};
    const std::uint8_t high[] = {1, 0, 0, 0};
    EXPECT_EQ(Swap16(std::span<const std::uint8_t, 2>(two)), 258);
    EXPECT_EQ(Swap32(std::span<const std::uint8_t, 4>(four)), 258u);
    EXPECT_EQ(Swap32(std::span<const std::uint8_t, 4>(high)), 16777216u);
}

}  // namespace
}  // namespace kel::diag
