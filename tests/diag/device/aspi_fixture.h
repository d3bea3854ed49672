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
#include "platform/scsi/recording_transport.h"
#include "registry_fixture.h"
#include "spti_fixture.h"

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

class AspiFixture : public RegistryFixture {
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

    MessageCallback recordMessage() {
        return [this](const DeviceMessage& message) {
            messages_.push_back(message);
            if (answers_.empty()) {
                return MessageAnswer::Ok;
            }
            MessageAnswer answer = answers_.front();
            answers_.pop_front();
            return answer;
        };
    }

    void attachCallbacks(CdDevice& device) {
        device.messageCallback = recordMessage();
        device.logCallback = [this](std::string_view line) { logLines_.emplace_back(line); };
        device.profile->errorCallback = device.messageCallback;
    }

    // Opens target 0 as an MMC drive or an older SCSI-2 drive without a disc.
    void openMmc(Bytes pages = capabilitiesPage()) {
        drive_->queue(ScriptedReply::good(inquiryData(0)));  // the device type probe
        drive_->queue(ScriptedReply::good(inquiryData(0)));
        drive_->queue(ScriptedReply::good(modeSense10(0, pages)));
        queueNoMedium();
        openFirst();
    }
    void openScsi2(Bytes pages = {0x01, 0x06, 0x00, 0x05, 0x83, 0, 0, 0}) {
        drive_->queue(ScriptedReply::good(inquiryData(2)));
        drive_->queue(ScriptedReply::good(inquiryData(2)));
        drive_->queue(
            ScriptedReply::good(modeSense6(0, pages, Bytes{0x00, 0, 0, 0, 0, 0, 0x08, 0x00})));
        queueNoMedium();
        openFirst();
    }
    void queueNoMedium() {
        for (int i = 0; i < 3; ++i) {
            drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
        }
    }
    void openFirst() {
        connect();
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_EQ(device_->AddressName(), "0:0");
        ASSERT_TRUE(device_->Open());
        ASSERT_EQ(drive_->pendingReplies(), 0u);
        drive_->clearCommands();
        clock_->waits.clear();
        messages_.clear();
        logLines_.clear();
    }

    std::vector<scsi::RecordedCommand> commands() const { return drive_->commands(); }
    Bytes cdb(std::size_t i) const { return commands().at(i).cdb; }
    Bytes sentData(std::size_t i) const { return commands().at(i).dataOut; }

    std::shared_ptr<scsi::RecordingTransport> drive_ = std::make_shared<scsi::RecordingTransport>();
    aspi::HostAdapter adapter_{{[this] { return std::make_unique<SharedTransport>(drive_); }}};
    std::shared_ptr<CountingClock> clock_ = std::make_shared<CountingClock>();
    std::shared_ptr<const AspiAccess> access_;
    std::unique_ptr<AspiDevice> device_;
    std::vector<DeviceMessage> messages_;
    std::deque<MessageAnswer> answers_;
    std::vector<std::string> logLines_;
};

}  // namespace kel::diag::testing
