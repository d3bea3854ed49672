#include "frontend/compare/sector_compare.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace kel::compare {
namespace {

// Byte ranges of a raw sector, [from, to).
struct Field {
    std::size_t from;
    std::size_t to;
};

constexpr Field kSync{0, 12};
constexpr Field kAfterSync{12, kRawSector};
constexpr Field kHeader{12, 16};
constexpr Field kMode1Data{16, 2064};
constexpr Field kMode1Check{2064, kRawSector};  // EDC, zero area, ECC
constexpr Field kSubheader{16, 24};
constexpr Field kForm1Data{24, 2072};
constexpr Field kForm1Check{2072, kRawSector};
constexpr Field kForm2Data{24, 2348};
constexpr Field kForm2Edc{2348, kRawSector};
constexpr Field kAfterHeader{16, kRawSector};

constexpr std::size_t kModeByte = 15;
constexpr std::size_t kSubmodeByte = 18;
constexpr std::uint8_t kSubmodeForm2 = 0x20;

bool differs(const std::uint8_t* master, const std::uint8_t* copy, Field field) {
    return std::memcmp(master + field.from, copy + field.from, field.to - field.from) != 0;
}

void errorLine(std::vector<ResultLine>& out, const char* text) {
    out.push_back({text, LineStyle::BoldRed});
}

}  // namespace

std::uint8_t CompareBlock(const BlockCompare& block, std::vector<ResultLine>& out) {
    std::uint8_t resultFlag = 1;
    const auto sectors = static_cast<std::size_t>(std::max(block.sectors, 0));
    if (block.master.size() < sectors * kRawSector || block.copy.size() < sectors * kRawSector) {
        return resultFlag;
    }
    for (std::size_t b = 0; b < sectors; ++b) {
        const std::uint8_t* m = block.master.data() + b * kRawSector;
        const std::uint8_t* c = block.copy.data() + b * kRawSector;
        if (!differs(m, c, kAfterSync)) {
            continue;
        }
        const std::int32_t lba = block.firstLba + static_cast<std::int32_t>(b);
        auto fieldError = [&](Field field, const char* text) {
            if (differs(m, c, field)) {
                resultFlag = 0;
                errorLine(out, text);
            }
        };
        if (!block.ignoreSync && differs(m, c, kSync)) {
            bool copyBad = !std::equal(block.sync.begin(), block.sync.end(), c);
            errorLine(out, copyBad ? "SYNC Field Error on Copy (Probable drive error)"
                                   : "SYNC Field Error on Master (Probable drive error)");
            out.push_back({"     Frame: " + std::to_string(lba), LineStyle::Normal});
        }
        fieldError(kHeader, "     ERROR Header field difference");
        const std::uint8_t mode = c[kModeByte];
        if (mode == 1) {
            fieldError(kMode1Data, "     ERROR Data field difference");
            fieldError(kMode1Check, "     ERROR EDC/ECC field difference");
        } else if ((mode & 3) == 2) {
            fieldError(kSubheader, "     ERROR Subheader field difference");
            if ((m[kSubmodeByte] & kSubmodeForm2) == 0) {
                fieldError(kForm1Data, "     ERROR Data field difference");
                fieldError(kForm1Check, "     ERROR EDC/ECC field difference");
            } else {
                fieldError(kForm2Data, "     ERROR Data field difference");
                fieldError(kForm2Edc, "     ERROR EDC field difference");
            }
        } else {
            // Mode 0, audio and unknown modes have no fields to name, but a
            // difference in them is still a difference of the discs.
            fieldError(kAfterHeader, "     ERROR Sector difference");
        }
        if (resultFlag == 0) {
            out.push_back({"  FRAME: " + std::to_string(lba), LineStyle::Normal});
        }
    }
    return resultFlag;
}

}  // namespace kel::compare
