#include "emu/drive/msf.h"

#include "emu/disc/disc.h"
#include "emu/drive/bytes.h"
#include "emu/sector/sector.h"

namespace kel::emu {

std::int32_t msfToLba(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (bytes[offset] * 60 + bytes[offset + 1]) * 75 + bytes[offset + 2] - kPregapFrames;
}

void writeAddress(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t lba, bool msf) {
    if (!msf) {
        writeBe(bytes, offset, 4, static_cast<std::uint32_t>(lba));
        return;
    }
    const sector::Msf time = sector::lbaToMsf(lba);
    bytes[offset] = 0;
    bytes[offset + 1] = time.minute;
    bytes[offset + 2] = time.second;
    bytes[offset + 3] = time.frame;
}

}  // namespace kel::emu
