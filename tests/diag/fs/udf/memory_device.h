// A drive object over a disc held in memory: 2048-byte blocks, with blocks
// that fail to read as a drive reports it (medium error, or "out of range"
// beyond the disc's end). For the reader's unit tests and its fuzz target.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "diag/device/cd_device.h"

namespace kel::diag::testing {

class MemoryDevice final : public CdDevice {
public:
    explicit MemoryDevice(std::size_t blocks = 0) : image(blocks * 2048, 0) {}

    std::span<std::uint8_t, 2048> block(std::int32_t number) {
        if (image.size() < (static_cast<std::size_t>(number) + 1) * 2048) {
            image.resize((static_cast<std::size_t>(number) + 1) * 2048, 0);
        }
        return std::span<std::uint8_t, 2048>(image.data() + static_cast<std::size_t>(number) * 2048,
                                             2048);
    }
    std::int32_t blocks() const { return static_cast<std::int32_t>(image.size() / 2048); }

    bool ReadSectors(std::uint32_t first, std::span<std::uint8_t> buffer,
                     std::uint32_t count) override {
        ++reads;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t number = std::uint64_t{first} + i;
            const bool beyond = (number + 1) * 2048 > image.size();
            if (beyond || failing.count(static_cast<std::int32_t>(number)) != 0 ||
                buffer.size() < (i + 1) * 2048) {
                senseKey = beyond ? 5 : 3;
                senseAsc = beyond ? 0x21 : 0x11;
                senseAscq = 0;
                return false;
            }
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(number * 2048), 2048,
                        buffer.begin() + static_cast<std::ptrdiff_t>(i) * 2048);
        }
        senseKey = senseAsc = senseAscq = 0;
        return true;
    }

    bool FindFirst() override { return false; }
    bool FindNext() override { return false; }
    std::string AddressName() const override { return "memory"; }
    bool Open() override { return true; }
    bool Inquiry(std::span<std::uint8_t>) override { return false; }
    bool ReadToc(std::uint16_t, std::span<std::uint8_t>) override { return false; }
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
    std::string SenseText() const override { return senseAsc != 0 ? "Read error" : ""; }
    std::string InterfaceName() const override { return "memory"; }
    bool TestUnitReady() override { return true; }
    bool Seek(std::uint32_t) override { return true; }
    std::unique_ptr<CdDevice> Clone() const override { return nullptr; }

    std::vector<std::uint8_t> image;
    std::set<std::int32_t> failing;
    int reads = 0;
};

}  // namespace kel::diag::testing
