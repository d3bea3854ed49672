#include "diag/tools/cdg/cdg_screen.h"

#include <algorithm>

namespace kel::diag {

void CopyBottomUp(const CdgScreen& screen, std::span<std::uint8_t, kCdgPixels> out) {
    for (int y = 0; y < kCdgHeight; ++y) {
        const auto row = screen.pixels.begin() + std::ptrdiff_t{y} * kCdgWidth;
        std::copy(row, row + kCdgWidth,
                  out.begin() + std::ptrdiff_t{kCdgHeight - 1 - y} * kCdgWidth);
    }
}

void CopyPalette(const CdgScreen& screen, std::span<std::uint8_t, kCdgColours * 4> out) {
    for (std::size_t i = 0; i < kCdgColours; ++i) {
        const CdgColour& colour = screen.palette[i];
        out[4 * i] = colour.blue;
        out[4 * i + 1] = colour.green;
        out[4 * i + 2] = colour.red;
        out[4 * i + 3] = colour.reserved;
    }
}

}  // namespace kel::diag
