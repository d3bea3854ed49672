// The scan of host adapters and targets: bypassed adapters, the target count
// each adapter reports, which device types are CD devices, the hard disk's
// name, and the addresses.
#include <gtest/gtest.h>

#include "aspi_fake_manager.h"
#include "aspi_fixture.h"

namespace kel::diag {
namespace {

using testing::FakeOutcome;

class AspiEnumeration : public testing::AspiFixture {
protected:
    void setBypass(std::uint32_t value) {
        RegistryKey key;
        ASSERT_TRUE(key.Open());
        key.WriteDword("AdapterBypass", value);
    }
    std::uint32_t bypass() const {
        RegistryKey key;
        return key.Open() ? key.ReadDword("AdapterBypass", 0) : 0;
    }
    // Every address the scan reaches until it finds no more devices.
    std::vector<std::string> scan() {
        std::vector<std::string> found;
        for (bool more = device_->FindFirst(); more; more = device_->FindNext()) {
            found.push_back(device_->AddressName());
        }
        return found;
    }

    testing::FakeManager manager_;
};

TEST_F(AspiEnumeration, BypassedAdaptersAreSkippedAndTheSettingKept) {
    manager_.adapters = 2;
    manager_.deviceTypes[{0, 0}] = aspi::kCdRomDevice;
    manager_.deviceTypes[{1, 2}] = aspi::kCdRomDevice;
    setBypass(1);
    std::uint32_t duringProbe = 0;
    manager_.duringProbe = [&] { duringProbe = bypass(); };
    connect(manager_.entries());
    EXPECT_EQ(scan(), std::vector<std::string>{"1:2"});
    EXPECT_EQ(duringProbe, 3u) << "the probed adapter is marked while it is probed";
    EXPECT_EQ(bypass(), 1u);

    setBypass(3);
    manager_.probed.clear();
    EXPECT_FALSE(device_->FindFirst());
    EXPECT_TRUE(manager_.probed.empty());
}

TEST_F(AspiEnumeration, TargetCountFollowsTheAdapter) {
    manager_.adapters = 2;
    manager_.targetIds[0] = 15;
    manager_.targetIds[1] = 16;
    connect(manager_.entries());
    EXPECT_TRUE(scan().empty());
    ASSERT_EQ(manager_.probed.size(), 8u + 16u);
    EXPECT_EQ(manager_.probed[7], std::make_pair(0, 7));
    EXPECT_EQ(manager_.probed[8], std::make_pair(1, 0));
    EXPECT_EQ(manager_.probed.back(), std::make_pair(1, 15));

    // A clone placed beyond its adapter's count (a count that shrank, or a
    // position from elsewhere) moves on to the next adapter.
    manager_.deviceTypes[{0, 13}] = aspi::kCdRomDevice;
    manager_.deviceTypes[{1, 0}] = aspi::kCdRomDevice;
    device_->adapter = 0;
    device_->target = 12;
    ASSERT_TRUE(device_->FindNext());
    EXPECT_EQ(device_->AddressName(), "1:0");
}

TEST_F(AspiEnumeration, WriteOnceDevicesCountAndTheFirstDiskNamesTheRegistry) {
    manager_.deviceTypes[{0, 0}] = aspi::kDirectAccessDevice;
    manager_.deviceTypes[{0, 1}] = aspi::kDirectAccessDevice;
    manager_.deviceTypes[{0, 2}] = 1;  // a tape
    manager_.deviceTypes[{0, 3}] = aspi::kWriteOnceDevice;
    manager_.deviceTypes[{0, 6}] = aspi::kCdRomDevice;
    FakeOutcome disk;
    disk.data = testing::inquiryData(2, "BIGDISK", "FIXED-DISK-9000 X");
    disk.data[0] = 0;
    manager_.outcomes = {disk};
    connect(manager_.entries());
    EXPECT_EQ(scan(), (std::vector<std::string>{"0:3", "0:6"}));
    EXPECT_EQ(device_->registryName, "BIGDISK FIXED-DISK-9000 ");
    EXPECT_EQ(manager_.opcodes, std::vector<std::uint8_t>{0x12}) << "the second disk is not asked";
}

TEST_F(AspiEnumeration, AddressesAndClones) {
    manager_.deviceTypes[{0, 4}] = aspi::kCdRomDevice;
    connect(manager_.entries());
    EXPECT_EQ(device_->AddressName(), "-1:-1");
    ASSERT_TRUE(device_->FindFirst());
    device_->senseAsc = 0x3A;
    std::unique_ptr<CdDevice> clone = device_->Clone();
    EXPECT_EQ(clone->AddressName(), "0:4");
    EXPECT_EQ(clone->senseAsc, 0);
    EXPECT_FALSE(clone->FindNext());
    EXPECT_EQ(clone->InterfaceName(), "*** Unknown ***") << "no manager file, no version";
}

TEST_F(AspiEnumeration, SupportWordStatusesExplainThemselves) {
    auto entries = [](std::uint8_t status) {
        return AspiManagerEntries{[status] { return std::uint32_t{status} << 8 | 1; },
                                  [](void*) { return std::uint32_t{0}; }};
    };
    EXPECT_FALSE(
        ConnectAspi(entries(aspi::SS_NO_ADAPTERS), testing::senseTable(), recordMessage()));
    EXPECT_FALSE(ConnectAspi(entries(0x55), testing::senseTable(), recordMessage()));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].id, 3005);
    EXPECT_EQ(std::get<std::string>(messages_[0].args[0]),
              "There are no devices available to ASPI.  Could a CD drive be disconnected?");
    EXPECT_EQ(std::get<std::string>(messages_[1].args[0]),
              "Error code 0x055 was returned by ASPI.");
}

}  // namespace
}  // namespace kel::diag
