#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "emu/sector/sector.h"

namespace kel::emu::sector {
namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The check values are the published entries CRC-32/CD-ROM-EDC (0x6EC2EDC4) and
// CRC-16/GSM (0xCE3C, the Q sub-channel CRC) of the reveng CRC catalogue for "123456789".
TEST(Checksum, EdcMatchesCatalogueCheckValue) {
    EXPECT_EQ(edc(bytesOf("123456789")), 0x6EC2EDC4u);
    EXPECT_EQ(edc({}), 0u);
}

TEST(Checksum, QCrcMatchesCatalogueCheckValue) {
    // A register that starts at zero is not moved by a leading zero byte, so
    // the 9-byte check string fits the 10-byte Q data.
    const std::array<std::uint8_t, 10> data{0, '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(qCrc(data), 0xCE3C);
}

TEST(Msf, AbsoluteTimeIncludesTwoSecondOffset) {
    struct Case {
        std::int32_t lba;
        std::uint8_t m, s, f;
    };
    for (const Case& c : {Case{0, 0, 2, 0}, Case{-150, 0, 0, 0}, Case{74, 0, 2, 74},
                          Case{75, 0, 3, 0}, Case{16, 0, 2, 16}, Case{449849, 99, 59, 74},
                          Case{-151, 99, 59, 74}, Case{-11475, 97, 29, 0}}) {
        const Msf msf = lbaToMsf(c.lba);
        EXPECT_EQ(msf.minute, c.m) << c.lba;
        EXPECT_EQ(msf.second, c.s) << c.lba;
        EXPECT_EQ(msf.frame, c.f) << c.lba;
    }
}

TEST(Msf, BcdEncodesTwoDigits) {
    EXPECT_EQ(toBcd(0), 0x00);
    EXPECT_EQ(toBcd(9), 0x09);
    EXPECT_EQ(toBcd(10), 0x10);
    EXPECT_EQ(toBcd(59), 0x59);
    EXPECT_EQ(toBcd(99), 0x99);
}

}  // namespace
}  // namespace kel::emu::sector
