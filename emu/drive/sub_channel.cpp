#include "emu/drive/sub_channel.h"

#include <algorithm>

#include "emu/drive/disc_position.h"
#include "platform/base/log.h"

namespace kel::emu {

namespace {

constexpr std::uint8_t kQBit = 0x40;
constexpr std::uint8_t kRwBits = 0x3F;
constexpr int kPackSymbols = 24;
constexpr int kPacksPerSector = 4;

// Spreads the 12 Q bytes over bit 6 of the 96 raw bytes, most significant
// bit first.
void placeQ(std::span<const std::uint8_t, 12> q, SubChannel& raw) {
    for (std::size_t bit = 0; bit < raw.size(); ++bit) {
        const bool set = (q[bit / 8] & (0x80 >> (bit % 8))) != 0;
        raw[bit] = set ? kQBit : 0;
    }
}

}  // namespace

std::optional<SenseCode> rawSubChannel(DriveContext& context, std::int32_t lba, SubChannel& out) {
    const auto fromFile = context.reader.readSubChannel(lba, out);
    if (const auto* error = std::get_if<std::string>(&fromFile)) {
        log::warning("emu", *error);
        return sense::kUnrecoveredRead;
    }
    if (std::get<bool>(fromFile)) {
        return std::nullopt;
    }
    out.fill(0);
    if (const auto position = qPositionAt(context.disc, lba)) {
        placeQ(sector::qChannel(*position), out);
    }
    return std::nullopt;
}

std::array<std::uint8_t, 16> formattedQFromRaw(const SubChannel& raw) {
    std::array<std::uint8_t, 16> q{};
    for (std::size_t bit = 0; bit < raw.size(); ++bit) {
        if ((raw[bit] & kQBit) != 0) {
            q[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
        }
    }
    return q;
}

int interleavedSymbolOffset(int symbol) {
    int position = symbol;
    for (const auto& [a, b] : {std::pair{1, 18}, std::pair{2, 5}, std::pair{3, 23}}) {
        position = symbol == a ? b : symbol == b ? a : position;
    }
    return position + kPackSymbols * (position % 8);
}

std::optional<SenseCode> rwPacks(DriveContext& context, std::int32_t lba, SubChannel& out) {
    // The packs of this sector reach into the next two sectors' sub-channel;
    // past the last sector, into the lead-out's, which a sub-channel file
    // holds when the disc's last packs carry graphics.
    std::array<SubChannel, 3> stream{};
    for (std::size_t s = 0; s < stream.size(); ++s) {
        const std::int32_t sector = lba + static_cast<std::int32_t>(s);
        if (auto failure = rawSubChannel(context, sector, stream[s])) {
            return failure;
        }
    }
    for (int pack = 0; pack < kPacksPerSector; ++pack) {
        for (int symbol = 0; symbol < kPackSymbols; ++symbol) {
            const int at = pack * kPackSymbols + interleavedSymbolOffset(symbol);
            const auto& from = stream[static_cast<std::size_t>(at) / kSubChannelSize];
            out[static_cast<std::size_t>(pack * kPackSymbols + symbol)] =
                from[static_cast<std::size_t>(at) % kSubChannelSize] & kRwBits;
        }
    }
    return std::nullopt;
}

}  // namespace kel::emu
