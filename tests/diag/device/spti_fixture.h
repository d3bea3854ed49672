// An SptiDevice on a scripted drive as drive D:, with its log lines and
// dumps recorded too.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "diag/device/device_database.h"
#include "diag/device/spti_device.h"
#include "scripted_drive.h"

namespace kel::diag::testing {

class SptiFixture : public ::testing::Test, protected ScriptedDrive {
protected:
    SptiFixture() {
        SetDatabaseFileName({});
        access_ = std::make_shared<DriveAccess>();
        access_->isCdLetter = [](char letter) { return letter == 'D' || letter == 'F'; };
        access_->openLetter = [this](char letter, OpenFailure& failure) {
            failure.devicePath = std::string("/dev/test-") + letter;
            failure.code = openError_;
            failure.text = "refused";
            return openError_ ? nullptr : std::make_unique<SharedTransport>(drive_);
        };
        access_->firstDiskName = [] {
            return std::string("DiskVendor  DiskModel With A Long Name");
        };
        access_->clock = clock_;
        access_->strings = [](int id) -> std::optional<std::string> {
            static const std::map<int, std::string> table = {{8004, "Unit not ready"},
                                                             {8017, "Unrecoverable read error"}};
            auto it = table.find(id);
            return it == table.end() ? std::nullopt : std::optional<std::string>(it->second);
        };
        device_ = std::make_unique<SptiDevice>(access_);
        attachCallbacks(*device_);
    }

    void attachCallbacks(CdDevice& device) {
        ScriptedDrive::attachCallbacks(device);
        device.dumpCallback = [this](std::span<const std::uint8_t>, std::string_view title) {
            dumpTitles_.emplace_back(title);
        };
    }

    // Opens drive D: as an MMC drive or an older SCSI-2 drive, without a disc.
    void openMmc(Bytes pages = capabilitiesPage()) {
        queueMmcOpening(pages);
        openD();
    }
    void openScsi2(Bytes pages = kScsi2Pages) {
        queueScsi2Opening(pages);
        openD();
    }
    void openD() {
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_EQ(device_->driveLetter, 'D');
        ASSERT_TRUE(device_->Open());
        ASSERT_EQ(drive_->pendingReplies(), 0u);
        forgetOpening();
        dumpTitles_.clear();
    }

    std::shared_ptr<DriveAccess> access_;
    std::unique_ptr<SptiDevice> device_;
    int openError_ = 0;
    std::vector<std::string> dumpTitles_;
};

}  // namespace kel::diag::testing
