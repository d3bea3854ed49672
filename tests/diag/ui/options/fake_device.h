// A drive object without a drive: ready or not, accepting the recovery
// methods a test allows, and counting what was asked of it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tests/diag/support/idle_device.h"

namespace kel::diag::test {

class FakeDevice final : public testing::IdleDevice {
public:
    FakeDevice(std::string address, std::string description, bool ready = true)
        : address_(std::move(address)), ready_(ready) {
        profile->name = std::move(description);
    }

    bool FindFirst() override { return false; }
    std::string AddressName() const override { return address_; }
    // Tries carry the method in bits 8-15; the drive's own setting is
    // `ownSetting`, which a write without an out word puts back.
    bool SetErrorRecovery(int value, std::uint16_t* out) override {
        recoveryWrites.push_back(value);
        if (out == nullptr) {
            return true;
        }
        if (refused.count(value >> 8) != 0) {
            return false;
        }
        *out = ownSetting;
        return true;
    }
    std::string InterfaceName() const override { return "test"; }
    bool TestUnitReady() override { return ready_; }
    bool Seek(std::uint32_t) override { return false; }

    std::set<int> refused;
    std::uint16_t ownSetting = 0x2005;
    std::vector<int> recoveryWrites;

private:
    std::string address_;
    bool ready_;
};

}  // namespace kel::diag::test
