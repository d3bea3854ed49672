#include "diag/tools/cdg/cdg_decoder.h"

#include <algorithm>

#include "diag/tools/debug_log.h"

namespace kel::diag {
namespace {

constexpr std::uint8_t kSymbolMask = 0x3F;
constexpr std::uint8_t kColourMask = 0x0F;
constexpr std::uint8_t kCdgModeItem = 9;  // mode 1 (graphics), item 1
constexpr std::size_t kData = 4;          // data symbols 4-19
constexpr int kLastRow = 17;
constexpr int kLastColumn = 49;
constexpr int kLastHOffset = 5;
constexpr int kLastVOffset = 11;
constexpr int kBorderRows = 12;

namespace instruction {
constexpr std::uint8_t kMemoryPreset = 1;
constexpr std::uint8_t kBorderPreset = 2;
constexpr std::uint8_t kTileBlock = 6;
constexpr std::uint8_t kScrollPreset = 20;
constexpr std::uint8_t kScrollCopy = 24;
constexpr std::uint8_t kTransparentColour = 28;
constexpr std::uint8_t kColoursLow = 30;
constexpr std::uint8_t kColoursHigh = 31;
constexpr std::uint8_t kTileBlockXor = 38;
}  // namespace instruction

enum class Direction { None, Forward, Back };

void fillRows(CdgScreen& screen, int first, int count, std::uint8_t colour) {
    const auto begin = screen.pixels.begin() + std::ptrdiff_t{first} * kCdgWidth;
    std::fill(begin, begin + std::ptrdiff_t{count} * kCdgWidth, colour);
}

// Moves every row right (Forward) or left (Back) by one tile width.
void scrollHorizontally(CdgScreen& screen, Direction direction, bool copy, std::uint8_t colour) {
    for (int y = 0; y < kCdgHeight; ++y) {
        const auto row = screen.pixels.begin() + std::ptrdiff_t{y} * kCdgWidth;
        const auto end = row + kCdgWidth;
        if (direction == Direction::Forward) {
            std::rotate(row, end - kCdgTileWidth, end);
            if (!copy) {
                std::fill(row, row + kCdgTileWidth, colour);
            }
        } else {
            std::rotate(row, row + kCdgTileWidth, end);
            if (!copy) {
                std::fill(end - kCdgTileWidth, end, colour);
            }
        }
    }
}

// Moves the image down (Forward) or up (Back) by one tile height.
void scrollVertically(CdgScreen& screen, Direction direction, bool copy, std::uint8_t colour) {
    const std::ptrdiff_t band = std::ptrdiff_t{kCdgTileHeight} * kCdgWidth;
    auto& p = screen.pixels;
    if (direction == Direction::Forward) {
        std::rotate(p.begin(), p.end() - band, p.end());
        if (!copy) {
            fillRows(screen, 0, kCdgTileHeight, colour);
        }
    } else {
        std::rotate(p.begin(), p.begin() + band, p.end());
        if (!copy) {
            fillRows(screen, kCdgHeight - kCdgTileHeight, kCdgTileHeight, colour);
        }
    }
}

}  // namespace

bool CdgDecoder::DecodeSubcodeSector(std::span<const std::uint8_t, kSubcodeBytes> subcode) {
    bool redraw = false;
    for (std::size_t at = 0; at < kSubcodeBytes; at += kCdgPackBytes) {
        CdgPack pack;
        std::copy_n(subcode.begin() + std::ptrdiff_t(at), kCdgPackBytes, pack.begin());
        ++packetNumber_;
        if ((pack[0] & kSymbolMask) == kCdgModeItem) {
            redraw = ExecuteCdgInstruction(pack) || redraw;
        }
    }
    return redraw;
}

bool CdgDecoder::ExecuteCdgInstruction(const CdgPack& received) {
    CdgPack pack;
    std::transform(received.begin(), received.end(), pack.begin(),
                   [](std::uint8_t symbol) { return std::uint8_t(symbol & kSymbolMask); });
    const std::uint8_t code = pack[1];
    switch (code) {
        case instruction::kMemoryPreset:  // the repeat field only helps late joiners
            screen_.pixels.fill(pack[kData] & kColourMask);
            return true;
        case instruction::kBorderPreset:
            fillRows(screen_, 0, kBorderRows, pack[kData] & kColourMask);
            fillRows(screen_, kCdgHeight - kBorderRows, kBorderRows, pack[kData] & kColourMask);
            return true;
        case instruction::kTileBlock:
        case instruction::kTileBlockXor:
            tileBlock(pack, code == instruction::kTileBlockXor);
            return true;
        case instruction::kScrollPreset:
        case instruction::kScrollCopy:
            scroll(pack, code == instruction::kScrollCopy);
            return false;
        case instruction::kTransparentColour:
            return false;
        case instruction::kColoursLow:
            loadColours(pack, 0);
            return true;
        case instruction::kColoursHigh:
            loadColours(pack, kCdgColours / 2);
            return true;
        default:
            if (logSwitches().debugMode) {
                DebugLog("Unknown CD+G instruction %02x encountered.", received[1]);
            }
            return false;
    }
}

// Rows and columns past the screen are drawn at the last one, so a damaged
// pack never writes outside the image.
void CdgDecoder::tileBlock(CdgPack& pack, bool exclusiveOr) {
    pack[kData] &= kColourMask;
    pack[kData + 1] &= kColourMask;
    const std::uint8_t colours[2] = {pack[kData], pack[kData + 1]};
    int row = pack[kData + 2] & 31;
    if (row > kLastRow) {
        record(cdg_error::kInvalidRow, pack);
        row = kLastRow;
    }
    int column = pack[kData + 3] & 63;
    if (column > kLastColumn) {
        record(cdg_error::kInvalidColumn, pack);
        column = kLastColumn;
    }
    for (int line = 0; line < kCdgTileHeight; ++line) {
        const std::uint8_t bits = pack[kData + 4 + std::size_t(line)];
        for (int x = 0; x < kCdgTileWidth; ++x) {
            const std::uint8_t colour = colours[(bits >> (kCdgTileWidth - 1 - x)) & 1];
            std::uint8_t& pixel =
                screen_.at(column * kCdgTileWidth + x, row * kCdgTileHeight + line);
            pixel = exclusiveOr ? std::uint8_t(pixel ^ colour) : colour;
        }
    }
}

void CdgDecoder::scroll(const CdgPack& pack, bool copy) {
    const std::uint8_t colour = pack[kData] & kColourMask;
    const auto direction = [&](std::uint8_t command) {
        switch (command & 0x30) {
            case 0x10:
                return Direction::Forward;
            case 0x20:
                return Direction::Back;
            case 0x30:
                record(cdg_error::kInvalidScroll, pack);
                return Direction::None;
            default:
                return Direction::None;
        }
    };
    const auto offset = [&](int value, int last) {
        if (value > last) {
            record(cdg_error::kInvalidScroll, pack);
            return last;
        }
        return value;
    };
    const Direction horizontal = direction(pack[kData + 1]);
    screen_.hOffset = offset(pack[kData + 1] & 7, kLastHOffset);
    const Direction vertical = direction(pack[kData + 2]);
    screen_.vOffset = offset(pack[kData + 2] & 15, kLastVOffset);
    if (horizontal != Direction::None) {
        scrollHorizontally(screen_, horizontal, copy, colour);
    }
    if (vertical != Direction::None) {
        scrollVertically(screen_, vertical, copy, colour);
    }
}

// Two symbols a colour, four bits a component, each shown in the high half
// of its byte.
void CdgDecoder::loadColours(const CdgPack& pack, std::size_t firstEntry) {
    for (std::size_t i = 0; i < kCdgColours / 2; ++i) {
        const std::uint8_t a = pack[kData + 2 * i];
        const std::uint8_t b = pack[kData + 2 * i + 1];
        CdgColour& colour = screen_.palette[firstEntry + i];
        colour.red = std::uint8_t((a & 0x3C) * 4);
        colour.green = std::uint8_t(((a & 3) << 6) | (b & 0x30));
        colour.blue = std::uint8_t((b & 0x0F) * 16);
    }
}

}  // namespace kel::diag
