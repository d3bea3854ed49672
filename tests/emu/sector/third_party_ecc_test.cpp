#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "emu/sector/sector.h"
#include "tests/support/temp_folder.h"

namespace kel::emu::sector {
namespace {

namespace fs = std::filesystem;

// Vector source: chdman (Debian package mame-tools) strips the P/Q parity of
// each mode-1 sector whose parity its own ECMA-130 encoder reproduces, so a CHD
// of our sectors must come out 276 bytes a sector smaller than a CHD of the
// same sectors with one parity byte flipped in each.
constexpr int kSectors = 400;
constexpr std::size_t kParityBytes = 276;

bool haveChdman() {
    return std::system("command -v chdman >/dev/null 2>&1") == 0;
}

// Random user data, so the parity cannot be compressed away by other means.
void writeImage(const fs::path& folder, const std::string& name, bool damageParity) {
    std::mt19937 random(2352);
    std::vector<std::uint8_t> raw(kRawSize);
    std::ofstream bin(folder / (name + ".bin"), std::ios::binary);
    for (int lba = 0; lba < kSectors; ++lba) {
        for (std::size_t i = 16; i < 2064; ++i) {
            raw[i] = static_cast<std::uint8_t>(random());
        }
        encodeMode1(Raw(raw.data(), kRawSize), lba);
        if (damageParity) {
            raw[2300] ^= 0x01;
        }
        bin.write(reinterpret_cast<const char*>(raw.data()), kRawSize);
    }
    std::ofstream(folder / (name + ".cue"))
        << "FILE \"" << name << ".bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
}

std::uintmax_t chdSize(const fs::path& folder, const std::string& name) {
    const fs::path chd = folder / (name + ".chd");
    const std::string command = "chdman createcd -f -i '" + (folder / (name + ".cue")).string() +
                                "' -o '" + chd.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(chd)) {
        ADD_FAILURE() << "chdman failed: " << command;
        return 0;
    }
    return fs::file_size(chd);
}

TEST(ThirdPartyEcc, ChdmanAcceptsOurMode1Parity) {
    if (!haveChdman()) {
        GTEST_SKIP() << "chdman not installed (Debian package mame-tools)";
    }
    const fs::path folder = kel::test::makeUniqueFolder("kel_sector_chd_");
    writeImage(folder, "ours", false);
    writeImage(folder, "damaged", true);
    const std::uintmax_t ours = chdSize(folder, "ours");
    const std::uintmax_t damaged = chdSize(folder, "damaged");
    fs::remove_all(folder);

    ASSERT_GT(ours, 0u);
    // Allow a tenth for the compressor's own noise.
    EXPECT_GE(damaged, ours + kSectors * kParityBytes * 9 / 10)
        << "ours " << ours << " bytes, damaged " << damaged << " bytes";
}

}  // namespace
}  // namespace kel::emu::sector
