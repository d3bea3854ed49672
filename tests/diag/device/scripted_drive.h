// A scripted drive for the drive objects' tests: every command block it
// gets is recorded, every wait of the device counted instead of slept, and
// every message recorded and answered from a list; with the replies of a
// CD-ROM drive to the commands that open it.
#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "diag/device/cd_device.h"
#include "diag/device/wait_clock.h"
#include "platform/scsi/recording_transport.h"

namespace kel::diag::testing {

using Bytes = std::vector<std::uint8_t>;
using scsi::ScriptedReply;

class CountingClock final : public WaitClock {
public:
    void wait(std::chrono::milliseconds duration) override { waits.push_back(duration.count()); }
    std::vector<long> waits;
};

using scsi::SharedTransport;

// INQUIRY data of a CD-ROM drive with that version byte.
inline Bytes inquiryData(std::uint8_t version, std::string vendor = "ACME",
                         std::string product = "CDROM-4000") {
    Bytes data(36, ' ');
    data[0] = 0x05;
    data[1] = 0x80;
    data[2] = version;
    data[3] = 0x02;
    data[4] = 31;
    data[5] = data[6] = data[7] = 0;
    vendor.resize(8, ' ');
    product.resize(16, ' ');
    std::copy(vendor.begin(), vendor.end(), data.begin() + 8);
    std::copy(product.begin(), product.end(), data.begin() + 16);
    return data;
}

// MODE SENSE(10) of all pages: header, no block descriptor, the pages.
inline Bytes modeSense10(std::uint8_t mediumType, const Bytes& pages,
                         const Bytes& descriptor = {}) {
    Bytes data = {0, 0, mediumType, 0, 0, 0, 0, static_cast<std::uint8_t>(descriptor.size())};
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    data.insert(data.end(), pages.begin(), pages.end());
    data[1] = static_cast<std::uint8_t>(data.size() - 2);
    return data;
}

inline Bytes modeSense6(std::uint8_t mediumType, const Bytes& pages, const Bytes& descriptor = {}) {
    Bytes data = {0, mediumType, 0, static_cast<std::uint8_t>(descriptor.size())};
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    data.insert(data.end(), pages.begin(), pages.end());
    data[0] = static_cast<std::uint8_t>(data.size() - 1);
    return data;
}

// Capabilities page of a drive with the CD-DA commands and a tray.
inline Bytes capabilitiesPage(std::uint8_t byte5 = 0x01, std::uint8_t mechanism = 1) {
    Bytes page(22, 0);
    page[0] = 0x2A;
    page[1] = 20;
    page[5] = byte5;
    page[6] = static_cast<std::uint8_t>(mechanism << 5);
    return page;
}

// The error recovery page of an older drive.
inline const Bytes kScsi2Pages = {0x01, 0x06, 0x00, 0x05, 0x83, 0, 0, 0};

// For the fixtures of the access interfaces to inherit.
class ScriptedDrive {
protected:
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

    // The replies that open an MMC drive (INQUIRY version 0, capabilities
    // page with the CD-DA commands) or an older SCSI-2 drive, without a disc.
    void queueMmcOpening(const Bytes& pages) {
        drive_->queue(ScriptedReply::good(inquiryData(0)));
        drive_->queue(ScriptedReply::good(modeSense10(0, pages)));
        queueNoMedium();
    }
    void queueScsi2Opening(const Bytes& pages) {
        drive_->queue(ScriptedReply::good(inquiryData(2)));
        drive_->queue(
            ScriptedReply::good(modeSense6(0, pages, Bytes{0x00, 0, 0, 0, 0, 0, 0x08, 0x00})));
        queueNoMedium();
    }
    void queueNoMedium() {
        for (int i = 0; i < 3; ++i) {
            drive_->queue(ScriptedReply::checkCondition(2, 0x3A, 0));
        }
    }
    // Forgets what opening the device sent, waited and said.
    void forgetOpening() {
        drive_->clearCommands();
        clock_->waits.clear();
        messages_.clear();
        logLines_.clear();
    }

    std::vector<scsi::RecordedCommand> commands() const { return drive_->commands(); }
    Bytes cdb(std::size_t i) const { return commands().at(i).cdb; }
    Bytes sentData(std::size_t i) const { return commands().at(i).dataOut; }

    std::shared_ptr<scsi::RecordingTransport> drive_ = std::make_shared<scsi::RecordingTransport>();
    std::shared_ptr<CountingClock> clock_ = std::make_shared<CountingClock>();
    std::vector<DeviceMessage> messages_;
    std::deque<MessageAnswer> answers_;
    std::vector<std::string> logLines_;
};

}  // namespace kel::diag::testing
