// Decoding the R-W subcode of played sectors into the CD+G screen, checking
// every graphics pack against the format's rules on the way.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "diag/tools/cdg/cdg_screen.h"

namespace kel::diag {

inline constexpr std::size_t kCdgPackBytes = 24;
inline constexpr std::size_t kSubcodeBytes = 96;  // four packs

using CdgPack = std::array<std::uint8_t, kCdgPackBytes>;

// String ids of the broken rules.
namespace cdg_error {
inline constexpr int kInvalidRow = 7001;
inline constexpr int kInvalidColumn = 7002;
inline constexpr int kInvalidScroll = 7003;
}  // namespace cdg_error

// Told of each broken rule: the packet number, the error's string id and
// the pack as the decoder saw it.
using CdgErrorSink = std::function<void(std::uint32_t packet, int stringId, const CdgPack& pack)>;

class CdgDecoder {
public:
    explicit CdgDecoder(CdgErrorSink sink) : sink_(std::move(sink)) {}

    // The 96 subcode bytes of one sector. Returns whether the screen changed
    // in a way that a redraw shows.
    bool DecodeSubcodeSector(std::span<const std::uint8_t, kSubcodeBytes> subcode);
    // One pack (only the low six bits of each byte count); returns whether
    // it asks for a redraw.
    bool ExecuteCdgInstruction(const CdgPack& received);

    const CdgScreen& screen() const { return screen_; }
    // Packs seen since playback began; the current pack's number while it is
    // executed.
    std::uint32_t packetNumber() const { return packetNumber_; }

private:
    void tileBlock(CdgPack& pack, bool exclusiveOr);
    void scroll(const CdgPack& pack, bool copy);
    void loadColours(const CdgPack& pack, std::size_t firstEntry);
    void record(int stringId, const CdgPack& pack) const { sink_(packetNumber_, stringId, pack); }

    CdgErrorSink sink_;
    CdgScreen screen_;
    std::uint32_t packetNumber_ = 0;
};

}  // namespace kel::diag
