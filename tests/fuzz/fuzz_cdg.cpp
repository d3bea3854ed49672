// Subcode as a damaged disc or a wayward drive may deliver it: every sector
// decodes without writing outside the screen, colour indexes stay below 16,
// the scroll offsets in their ranges, and only the three known errors are
// recorded.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "diag/tools/cdg/cdg_decoder.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CdgDecoder decoder([](std::uint32_t, int stringId, const CdgPack&) {
        if (stringId < cdg_error::kInvalidRow || stringId > cdg_error::kInvalidScroll) {
            std::abort();
        }
    });
    for (std::size_t at = 0; at + kSubcodeBytes <= size; at += kSubcodeBytes) {
        decoder.DecodeSubcodeSector(
            std::span<const std::uint8_t, kSubcodeBytes>(data + at, kSubcodeBytes));
        const CdgScreen& screen = decoder.screen();
        if (screen.hOffset < 0 || screen.hOffset > 5 || screen.vOffset < 0 || screen.vOffset > 11) {
            std::abort();
        }
    }
    const auto& pixels = decoder.screen().pixels;
    if (std::any_of(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p > 15; })) {
        std::abort();
    }
    return 0;
}
