// An AspiDevice on scripted drives: the manager's host adapter runs in this
// process over recording transports, so every command block is recorded as
// the drive got it; waits are counted, messages answered from a list.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diag/device/aspi_device.h"
#include "diag/device/device_database.h"
#include "diag/device/registry_key.h"
#include "platform/aspi/host_adapter.h"
#include "registry_fixture.h"
#include "scripted_drive.h"

namespace kel::diag::testing {

// The entry points of a host adapter in this process.
inline AspiManagerEntries entriesOf(aspi::HostAdapter& adapter) {
    return AspiManagerEntries{[&adapter] { return adapter.supportInfo(); },
                              [&adapter](void* block) { return adapter.send(block); }};
}

inline StringSource senseTable() {
    return [](int id) -> std::optional<std::string> {
        static const std::map<int, std::string> table = {
            {3001, "There are no devices available to ASPI.  Could a CD drive be disconnected?"},
            {3003, "Error code 0x0%x was returned by ASPI."},
            {8004, "Unit not ready"}};
        auto it = table.find(id);
        return it == table.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
}

class AspiFixture : public RegistryFixture, protected ScriptedDrive {
protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        RegistryKey key;
        ASSERT_TRUE(key.Open("MORVALE"));
        SetDatabaseFileName({});
    }

    // Connects a device to `entries` (the in-process adapter by default).
    void connect(std::optional<AspiManagerEntries> entries = std::nullopt) {
        auto access =
            ConnectAspi(entries.value_or(entriesOf(adapter_)), senseTable(), recordMessage());
        ASSERT_TRUE(access);
        access->clock = clock_;
        access_ = access;
        device_ = std::make_unique<AspiDevice>(access_);
        attachCallbacks(*device_);
    }

    // Opens target 0 as an MMC drive or an older SCSI-2 drive without a disc;
    // the manager's device type probe comes first.
    void openMmc(Bytes pages = capabilitiesPage()) {
        drive_->queue(ScriptedReply::good(inquiryData(0)));
        queueMmcOpening(pages);
        openFirst();
    }
    void openScsi2(Bytes pages = kScsi2Pages) {
        drive_->queue(ScriptedReply::good(inquiryData(2)));
        queueScsi2Opening(pages);
        openFirst();
    }
    void openFirst() {
        connect();
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_EQ(device_->AddressName(), "0:0");
        ASSERT_TRUE(device_->Open());
        ASSERT_EQ(drive_->pendingReplies(), 0u);
        forgetOpening();
    }

    aspi::HostAdapter adapter_{{[this] { return std::make_unique<SharedTransport>(drive_); }}};
    std::shared_ptr<const AspiAccess> access_;
    std::unique_ptr<AspiDevice> device_;
};

}  // namespace kel::diag::testing
