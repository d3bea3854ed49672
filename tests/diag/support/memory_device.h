// A drive whose disc is a set of 2048-byte blocks in memory, for the readers'
// and the analysis' tests and their fuzz targets. Blocks never written read
// as zeros up to the disc's end; chosen blocks fail with a medium error and
// blocks past the end as "LBA out of range", with the sense bytes a drive
// leaves. Every block read is recorded, with whether `quiet` was set, and
// READ TOC answers with the replies a test gives per format word.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/diag/support/idle_device.h"

namespace kel::diag::testing {

class MemoryDevice final : public IdleDevice {
public:
    static constexpr std::size_t kBlock = 2048;
    using Block = std::span<std::uint8_t, kBlock>;

    // A blank disc of `blocks` blocks; writing a block past its end makes it
    // longer.
    explicit MemoryDevice(std::size_t blocks = 0) : size_(static_cast<std::uint32_t>(blocks)) {}
    // A disc holding `image`, its last block filled up with zeros.
    explicit MemoryDevice(std::vector<std::uint8_t> image) { setImage(std::move(image)); }

    void setImage(std::vector<std::uint8_t> image) {
        blocks_.clear();
        size_ = static_cast<std::uint32_t>((image.size() + kBlock - 1) / kBlock);
        for (std::uint32_t number = 0; number < size_; ++number) {
            const std::size_t at = std::size_t{number} * kBlock;
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(at),
                        std::min(kBlock, image.size() - at), block(number).begin());
        }
    }
    // The block's bytes, to be written in place.
    Block block(std::uint32_t number) {
        size_ = std::max(size_, number + 1);
        auto [at, added] = blocks_.try_emplace(number);
        if (added) {
            at->second.fill(0);
        }
        return Block(at->second);
    }
    std::uint32_t blockCount() const { return size_; }

    std::set<std::uint32_t> failing;
    std::map<std::uint16_t, std::vector<std::uint8_t>> tocReplies;
    // Each block asked for, and whether `quiet` was set at the time.
    std::vector<std::uint32_t> reads;
    std::vector<bool> quietReads;
    int readCalls = 0;

    bool ReadSectors(std::uint32_t first, std::span<std::uint8_t> buffer,
                     std::uint32_t count) override {
        // A reader that asks for more than its buffer holds is at fault, not
        // the disc: that must not pass as a read error.
        if (buffer.size() < std::size_t{count} * kBlock) {
            throw std::logic_error("read into a buffer too small");
        }
        ++readCalls;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t number = std::uint64_t{first} + i;
            reads.push_back(static_cast<std::uint32_t>(number));
            quietReads.push_back(quiet != 0);
            const bool beyond = number >= size_;
            if (beyond || failing.count(static_cast<std::uint32_t>(number)) != 0) {
                senseKey = beyond ? 0x05 : 0x03;
                senseAsc = beyond ? 0x21 : 0x11;
                senseAscq = beyond ? 0x00 : 0x05;
                return false;
            }
            auto out = buffer.subspan(std::size_t{i} * kBlock, kBlock);
            const auto found = blocks_.find(static_cast<std::uint32_t>(number));
            if (found == blocks_.end()) {
                std::fill(out.begin(), out.end(), 0);
            } else {
                std::copy(found->second.begin(), found->second.end(), out.begin());
            }
        }
        senseKey = senseAsc = senseAscq = 0;
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
    std::string SenseText() const override { return senseAsc != 0 ? "Read error" : ""; }
    std::unique_ptr<CdDevice> Clone() const override {
        auto copy = std::make_unique<MemoryDevice>(size_);
        copy->blocks_ = blocks_;
        return copy;
    }

private:
    std::map<std::uint32_t, std::array<std::uint8_t, kBlock>> blocks_;
    std::uint32_t size_ = 0;
};

}  // namespace kel::diag::testing
