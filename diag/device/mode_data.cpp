#include "diag/device/mode_data.h"

#include <algorithm>

namespace kel::diag {

namespace {

constexpr std::size_t kHeader6 = 4;
constexpr std::size_t kHeader10 = 8;
constexpr std::size_t kDescriptorBytes = 8;
constexpr std::uint32_t kCookedBlock = 2048;

std::uint16_t be16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
}

void appendDescriptor(std::vector<std::uint8_t>& list, const BlockDescriptor& descriptor) {
    list.insert(list.end(), {descriptor.density, 0, 0, 0, 0,
                             static_cast<std::uint8_t>(descriptor.blockLength >> 16),
                             static_cast<std::uint8_t>(descriptor.blockLength >> 8),
                             static_cast<std::uint8_t>(descriptor.blockLength)});
}

}  // namespace

ModeParameters blockLengthParameters(std::uint8_t density, std::uint32_t blockLength) {
    return ModeParameters{BlockDescriptor{density, blockLength}, true, {}};
}

ModeParameters pageParameters(std::vector<std::uint8_t> page) {
    return ModeParameters{BlockDescriptor{0, kCookedBlock}, false, std::move(page)};
}

std::vector<std::uint8_t> speedPage31(std::uint8_t speedCode, std::uint8_t factor) {
    switch (speedCode) {
        case 1:
            return {0x31, 0x02, 0x00, factor};
        case 3:
            return {0x31, 0x02, factor, 0x00};
        case 6:
            return {0x31, 0x02, static_cast<std::uint8_t>(factor & 0x0F),
                    static_cast<std::uint8_t>(factor >> 4)};
        default:
            return {};
    }
}

std::vector<std::uint8_t> buildModeParameterList(const ModeParameters& parameters, bool mode10) {
    std::vector<std::uint8_t> list;
    bool withDescriptor = !mode10 || parameters.descriptorInTenByte;
    std::uint8_t descriptorLength = withDescriptor ? kDescriptorBytes : 0;
    if (mode10) {
        list.assign({0, 0, 0, 0, 0, 0, 0, descriptorLength});
    } else {
        list.assign({0, 0, 0, descriptorLength});
    }
    if (withDescriptor) {
        appendDescriptor(list, parameters.descriptor);
    }
    list.insert(list.end(), parameters.page.begin(), parameters.page.end());
    if (mode10) {
        list[1] = static_cast<std::uint8_t>(list.size() - 2);
    } else {
        list[0] = static_cast<std::uint8_t>(list.size() - 1);
    }
    return list;
}

std::optional<ModeSense> parseModeSense(std::span<const std::uint8_t> reply, bool tenByte) {
    std::size_t header = tenByte ? kHeader10 : kHeader6;
    if (reply.size() < header) {
        return std::nullopt;
    }
    // The mode data length does not count itself.
    std::size_t stated = tenByte ? std::size_t{be16(reply, 0)} + 2 : std::size_t{reply[0]} + 1;
    ModeSense sense;
    sense.data = reply.first(std::max(header, std::min(stated, reply.size())));
    sense.mediumType = tenByte ? reply[2] : reply[1];
    std::size_t descriptors = tenByte ? be16(reply, 6) : reply[3];
    sense.firstPage = std::min(header + descriptors, sense.data.size());
    if (descriptors >= kDescriptorBytes && header + kDescriptorBytes <= sense.data.size()) {
        sense.blockLength = be16(sense.data, header + 6);
    }
    return sense;
}

void forEachModePage(
    const ModeSense& sense,
    const std::function<void(std::uint8_t code, std::span<const std::uint8_t> page)>& visit) {
    std::size_t offset = sense.firstPage;
    while (offset + 2 <= sense.data.size()) {
        std::size_t size = std::size_t{sense.data[offset + 1]} + 2;
        if (offset + size > sense.data.size()) {
            return;
        }
        visit(sense.data[offset] & 0x3F, sense.data.subspan(offset, size));
        offset += size;
    }
}

}  // namespace kel::diag
