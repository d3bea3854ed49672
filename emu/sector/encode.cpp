#include <algorithm>
#include <array>

#include "emu/sector/ecc.h"
#include "emu/sector/sector.h"

namespace kel::emu::sector {

namespace {
constexpr std::size_t kHeader = 12;
constexpr std::size_t kSubheader = 16;

void writeSyncAndHeader(Raw raw, std::int32_t lba, std::uint8_t mode) {
    raw[0] = 0x00;
    std::fill(raw.begin() + 1, raw.begin() + 11, 0xFF);
    raw[11] = 0x00;
    const Msf msf = lbaToMsf(lba);
    raw[kHeader] = toBcd(msf.minute);
    raw[kHeader + 1] = toBcd(msf.second);
    raw[kHeader + 2] = toBcd(msf.frame);
    raw[kHeader + 3] = mode;
}

// The EDC is stored least significant byte first.
void writeEdc(Raw raw, std::size_t from, std::size_t to) {
    const std::uint32_t value = edc(std::span<const std::uint8_t>(raw.data() + from, to - from));
    for (std::size_t i = 0; i < 4; ++i) {
        raw[to + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
}  // namespace

void encodeMode1(Raw raw, std::int32_t lba) {
    writeSyncAndHeader(raw, lba, 1);
    writeEdc(raw, 0, 2064);
    std::fill(raw.begin() + 2068, raw.begin() + 2076, 0);
    writeEcc(raw);
}

void encodeMode2Form1(Raw raw, std::int32_t lba) {
    writeSyncAndHeader(raw, lba, 2);
    writeEdc(raw, kSubheader, 2072);
    // Form 1 takes the four header bytes as zero for its parity (ECMA-130);
    // the header written on the disc is the real one.
    std::array<std::uint8_t, 4> header;
    std::copy_n(raw.begin() + kHeader, 4, header.begin());
    std::fill_n(raw.begin() + kHeader, 4, 0);
    writeEcc(raw);
    std::copy(header.begin(), header.end(), raw.begin() + kHeader);
}

void encodeMode2Form2(Raw raw, std::int32_t lba) {
    writeSyncAndHeader(raw, lba, 2);
    writeEdc(raw, kSubheader, 2348);
}

void encodeMode2Formless(Raw raw, std::int32_t lba) {
    writeSyncAndHeader(raw, lba, 2);
}

}  // namespace kel::emu::sector
