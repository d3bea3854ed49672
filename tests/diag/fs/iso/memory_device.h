// A drive whose disc is a block array in memory: every read the reader makes
// is counted, and chosen blocks fail as a damaged disc's would. Blocks past
// the end of the disc fail too, as a drive answers LBA out of range.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <vector>

#include "diag/device/cd_device.h"

namespace kel::diag::testing {

class MemoryDevice final : public CdDevice {
public:
    static constexpr std::size_t kBlock = 2048;

    explicit MemoryDevice(std::vector<std::uint8_t> image = {}) : image_(std::move(image)) {
        image_.resize((image_.size() + kBlock - 1) / kBlock * kBlock);
    }

    void setImage(std::vector<std::uint8_t> image) {
        image_ = std::move(image);
        image_.resize((image_.size() + kBlock - 1) / kBlock * kBlock);
    }
    std::uint32_t blockCount() const { return static_cast<std::uint32_t>(image_.size() / kBlock); }

    std::set<std::uint32_t> failing;
    std::vector<std::uint32_t> reads;
    // Whether `quiet` was set at each read.
    std::vector<bool> quietReads;

    bool ReadSectors(std::uint32_t block, std::span<std::uint8_t> buffer,
                     std::uint32_t count) override {
        if (buffer.size() < std::size_t{count} * kBlock) {
            throw std::logic_error("read into a buffer too small");
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t at = std::uint64_t{block} + i;
            reads.push_back(static_cast<std::uint32_t>(at));
            quietReads.push_back(quiet != 0);
            if (at >= blockCount() || failing.count(static_cast<std::uint32_t>(at))) {
                return false;
            }
            std::copy_n(image_.begin() + static_cast<std::ptrdiff_t>(at * kBlock), kBlock,
                        buffer.begin() + static_cast<std::ptrdiff_t>(i * kBlock));
        }
        return true;
    }

    bool FindFirst() override { return true; }
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
    std::string SenseText() const override { return {}; }
    std::string InterfaceName() const override { return "memory"; }
    bool TestUnitReady() override { return true; }
    bool Seek(std::uint32_t) override { return true; }
    std::unique_ptr<CdDevice> Clone() const override {
        return std::make_unique<MemoryDevice>(image_);
    }

private:
    std::vector<std::uint8_t> image_;
};

}  // namespace kel::diag::testing
