// A drive object whose disc is a set of blocks in memory: blocks not given
// read as zeros up to the disc's size, chosen blocks fail with a sense code,
// and READ TOC answers with the replies a test gives per format word.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <vector>

#include "diag/device/cd_device.h"

namespace kel::diag::testing {

class BlockDrive final : public CdDevice {
public:
    static constexpr std::size_t kBlock = 2048;
    using Sector = std::array<std::uint8_t, kBlock>;

    std::map<std::uint32_t, Sector> blocks;
    std::set<std::uint32_t> failing;
    std::uint32_t size = 400000;
    std::map<std::uint16_t, std::vector<std::uint8_t>> tocReplies;
    std::vector<std::uint32_t> reads;
    std::vector<bool> quietAtRead;

    Sector& block(std::uint32_t number) {
        auto [at, added] = blocks.try_emplace(number);
        if (added) {
            at->second.fill(0);
        }
        return at->second;
    }

    bool ReadSectors(std::uint32_t first, std::span<std::uint8_t> buffer,
                     std::uint32_t count) override {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t number = first + i;
            reads.push_back(number);
            quietAtRead.push_back(quiet != 0);
            if (number >= size || failing.count(number) != 0) {
                senseAsc = 0x11;
                senseAscq = 0x05;
                return false;
            }
            const auto found = blocks.find(number);
            auto out = buffer.subspan(i * kBlock, kBlock);
            if (found == blocks.end()) {
                std::fill(out.begin(), out.end(), 0);
            } else {
                std::copy(found->second.begin(), found->second.end(), out.begin());
            }
        }
        return true;
    }
    bool ReadToc(std::uint16_t formatWord, std::span<std::uint8_t> buffer) override {
        const auto found = tocReplies.find(formatWord);
        if (found == tocReplies.end()) {
            return false;
        }
        std::fill(buffer.begin(), buffer.end(), 0);
        std::copy_n(found->second.begin(), std::min(found->second.size(), buffer.size()),
                    buffer.begin());
        return true;
    }

    bool FindFirst() override { return true; }
    bool FindNext() override { return false; }
    std::string AddressName() const override { return "memory"; }
    bool Open() override { return true; }
    bool Inquiry(std::span<std::uint8_t>) override { return false; }
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
    std::unique_ptr<CdDevice> Clone() const override { return std::make_unique<BlockDrive>(); }
};

}  // namespace kel::diag::testing
