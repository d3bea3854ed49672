#include "emu/drive/sector_layout.h"

namespace kel::emu {

namespace {
constexpr std::uint8_t kSubmodeForm2 = 0x20;
constexpr std::size_t kSubmodeOffset = 18;
}  // namespace

SectorKind sectorKind(const Track& track, const std::uint8_t* raw) {
    switch (track.format) {
        case SectorFormat::Audio:
            return SectorKind::Audio;
        case SectorFormat::Mode1:
            return SectorKind::Mode1;
        case SectorFormat::Mode2:
            break;
    }
    return (raw[kSubmodeOffset] & kSubmodeForm2) != 0 ? SectorKind::Mode2Form2
                                                      : SectorKind::Mode2Form1;
}

SectorFields sectorFields(SectorKind kind) {
    switch (kind) {
        case SectorKind::Audio:
            return {{}, {}, {}, {0, 2352}, {}};
        case SectorKind::Mode1:
            return {{0, 12}, {12, 4}, {16, 0}, {16, 2048}, {2064, 288}};
        case SectorKind::Mode2Form1:
            return {{0, 12}, {12, 4}, {16, 8}, {24, 2048}, {2072, 280}};
        case SectorKind::Mode2Form2:
            break;
    }
    return {{0, 12}, {12, 4}, {16, 8}, {24, 2324}, {2348, 4}};
}

}  // namespace kel::emu
