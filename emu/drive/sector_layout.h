// Which kind of sector a raw sector is, and where its fields lie (ECMA-130
// clause 14 for the data modes; audio sectors are all user data).
#pragma once

#include <cstdint>

#include "emu/disc/disc.h"

namespace kel::emu {

enum class SectorKind { Audio, Mode1, Mode2Form1, Mode2Form2 };

struct FieldRange {
    std::size_t offset = 0, size = 0;
};

struct SectorFields {
    FieldRange sync, header, subheader, user, edcEcc;
};

// The kind of the sector at `lba` of `track`, as its raw bytes show it.
SectorKind sectorKind(const Track& track, const std::uint8_t* raw);

SectorFields sectorFields(SectorKind kind);

}  // namespace kel::emu
