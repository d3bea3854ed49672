// A drive object that opens and is ready but answers no other command: the
// base of the tests' drives, each of which answers only what its tests ask.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "diag/device/cd_device.h"

namespace kel::diag::testing {

class IdleDevice : public CdDevice {
public:
    bool FindFirst() override { return true; }
    bool FindNext() override { return false; }
    std::string AddressName() const override { return "memory"; }
    bool Open() override { return true; }
    bool Inquiry(std::span<std::uint8_t>) override { return false; }
    bool ReadToc(std::uint16_t, std::span<std::uint8_t>) override { return false; }
    bool ReadSectors(std::uint32_t, std::span<std::uint8_t>, std::uint32_t) override {
        return false;
    }
    bool ReadCdda(std::uint32_t, std::span<std::uint8_t>) override { return false; }
    bool ReadSubChannel(std::uint8_t, std::uint8_t, std::span<std::uint8_t>) override {
        return false;
    }
    bool ScanRead(std::uint32_t, std::span<std::uint8_t>, std::uint32_t, bool) override {
        return false;
    }
    bool ReadDiscInfo(std::span<std::uint8_t>, std::uint16_t) override { return false; }
    bool ReadWithSubcode(std::uint32_t, std::span<std::uint8_t>, std::uint32_t) override {
        return false;
    }
    bool SetErrorRecovery(int, std::uint16_t*) override { return false; }
    bool SetCddaMode(bool) override { return false; }
    bool SetRawMode(bool) override { return false; }
    bool LoadEject(bool) override { return false; }
    bool SetSpeed(int) override { return false; }
    std::string SenseText() const override { return {}; }
    std::string InterfaceName() const override { return "memory"; }
    bool TestUnitReady() override { return true; }
    bool Seek(std::uint32_t) override { return true; }
    std::unique_ptr<CdDevice> Clone() const override { return nullptr; }
};

}  // namespace kel::diag::testing
