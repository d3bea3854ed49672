// The CD+G screen as the player draws it: 300 x 216 pixels of colour indexes
// 0-15, the 16-colour table and the scroll offsets that the next redraw
// shows the image at.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kel::diag {

inline constexpr int kCdgWidth = 300;
inline constexpr int kCdgHeight = 216;
inline constexpr std::size_t kCdgPixels = std::size_t{kCdgWidth} * kCdgHeight;  // 64800
inline constexpr std::size_t kCdgColours = 16;
inline constexpr int kCdgTileWidth = 6;
inline constexpr int kCdgTileHeight = 12;

// One colour table entry in the order a bitmap's colour table holds it.
struct CdgColour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
};

struct CdgScreen {
    std::array<std::uint8_t, kCdgPixels> pixels{};  // top row first
    std::array<CdgColour, kCdgColours> palette{};
    int hOffset = 0;  // 0-5
    int vOffset = 0;  // 0-11

    std::uint8_t& at(int x, int y) { return pixels[std::size_t(y) * kCdgWidth + std::size_t(x)]; }
    std::uint8_t at(int x, int y) const {
        return pixels[std::size_t(y) * kCdgWidth + std::size_t(x)];
    }
};

// The image as bitmaps store it: bottom row first.
void CopyBottomUp(const CdgScreen& screen, std::span<std::uint8_t, kCdgPixels> out);
// The colour table as 64 bytes of (blue, green, red, reserved).
void CopyPalette(const CdgScreen& screen, std::span<std::uint8_t, kCdgColours * 4> out);

}  // namespace kel::diag
