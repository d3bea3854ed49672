// Mode parameter data both ways: the lists a MODE SELECT carries, built in
// the 6-byte or the 10-byte form, and the replies of MODE SENSE, read with
// the header and block-descriptor lengths the drive gives and never past the
// bytes it returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace kel::diag {

struct BlockDescriptor {
    std::uint8_t density = 0;
    std::uint32_t blockLength = 0;
};

// What a MODE SELECT sets, independent of the command form, so that a
// fallback to the other form rebuilds the whole list in that form.
struct ModeParameters {
    BlockDescriptor descriptor;        // always sent in the 6-byte form
    bool descriptorInTenByte = false;  // also sent in the 10-byte form
    std::vector<std::uint8_t> page;    // page code, page length, page bytes; may be empty
};

// The block-length list of SetRawMode and SetCddaMode.
ModeParameters blockLengthParameters(std::uint8_t density, std::uint32_t blockLength);
// A page list (speed, error recovery): a 2048-byte block descriptor in the
// 6-byte form, none in the 10-byte form.
ModeParameters pageParameters(std::vector<std::uint8_t> page);

// The vendor speed page 0x31 for the speed codes 1 (factor in byte 3), 3
// (byte 2) and 6 (low four bits in byte 2, the rest in byte 3); empty for
// any other code.
std::vector<std::uint8_t> speedPage31(std::uint8_t speedCode, std::uint8_t factor);

// The parameter list with its header; the header's mode data length counts
// every byte after the length field itself.
std::vector<std::uint8_t> buildModeParameterList(const ModeParameters& parameters, bool mode10);

// A MODE SENSE reply as the header describes it, clamped to what came back.
struct ModeSense {
    std::span<const std::uint8_t> data;  // header, descriptors and pages, within the reply
    std::uint8_t mediumType = 0;
    std::optional<std::uint16_t> blockLength;  // from the first block descriptor
    std::size_t firstPage = 0;                 // offset of the first page in `data`
};

// `tenByte`: the reply of MODE SENSE(10) (8-byte header), else of
// MODE SENSE(6) (4-byte header). None when the reply is shorter than its
// header.
std::optional<ModeSense> parseModeSense(std::span<const std::uint8_t> reply, bool tenByte);

// Calls `visit` with each whole page (page code byte first) in order; stops
// at the first page that would run past the data.
void forEachModePage(
    const ModeSense& sense,
    const std::function<void(std::uint8_t code, std::span<const std::uint8_t> page)>& visit);

}  // namespace kel::diag
