#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

#include "emu/sector/sector.h"

namespace kel::emu::sector {
namespace {

// The parity is checked by a decoder written here straight from ECMA-130's
// equations (annex A: H_P * V_P = 0, H_Q * V_Q = 0 over GF(2^8) with
// x^8+x^4+x^3+x^2+1, words numbered from the header), sharing no code or
// table with the encoder: a wrong vector layout, weight or field shows as a
// nonzero syndrome.
std::uint8_t gfMultiply(std::uint8_t a, std::uint8_t b) {
    unsigned product = 0;
    unsigned x = a;
    for (unsigned bits = b; bits; bits >>= 1) {
        if (bits & 1) {
            product ^= x;
        }
        x <<= 1;
        if (x & 0x100) {
            x ^= 0x11D;
        }
    }
    return static_cast<std::uint8_t>(product);
}

std::uint8_t alphaPower(unsigned n) {
    std::uint8_t value = 1;
    while (n--) {
        value = gfMultiply(value, 2);
    }
    return value;
}

// Byte of word `word` (numbered from byte 12) in byte plane `plane`.
std::uint8_t wordByte(const std::vector<std::uint8_t>& sector, std::size_t word, int plane) {
    return sector[12 + 2 * word + plane];
}

bool syndromeIsZero(const std::vector<std::uint8_t>& vector) {
    std::uint8_t s0 = 0, s1 = 0;
    const std::size_t n = vector.size();
    for (std::size_t i = 0; i < n; ++i) {
        s0 ^= vector[i];
        s1 ^= gfMultiply(alphaPower(static_cast<unsigned>(n - 1 - i)), vector[i]);
    }
    return s0 == 0 && s1 == 0;
}

// P vectors: 43 columns, word 43*m + column for m = 0..25 (rows 24 and 25
// are the P parity). Q vectors: 26 diagonals, word (44*m + 43*d) mod 1118
// for m = 0..42, then the Q parity words 1118 + d and 1144 + d.
bool parityHolds(const std::vector<std::uint8_t>& sector) {
    for (int plane = 0; plane < 2; ++plane) {
        for (std::size_t column = 0; column < 43; ++column) {
            std::vector<std::uint8_t> v;
            for (std::size_t m = 0; m < 26; ++m) {
                v.push_back(wordByte(sector, 43 * m + column, plane));
            }
            if (!syndromeIsZero(v)) {
                return false;
            }
        }
        for (std::size_t d = 0; d < 26; ++d) {
            std::vector<std::uint8_t> v;
            for (std::size_t m = 0; m < 43; ++m) {
                v.push_back(wordByte(sector, (44 * m + 43 * d) % 1118, plane));
            }
            v.push_back(wordByte(sector, 1118 + d, plane));
            v.push_back(wordByte(sector, 1144 + d, plane));
            if (!syndromeIsZero(v)) {
                return false;
            }
        }
    }
    return true;
}

// EDC as the plain bit-serial division, one bit at a time, LSB first.
std::uint32_t bitSerialEdc(const std::vector<std::uint8_t>& sector, std::size_t from,
                           std::size_t to) {
    std::uint32_t reflected = 0;  // x^32+x^31+x^16+x^15+x^4+x^3+x+1, bit order reversed
    for (int exponent : {31, 16, 15, 4, 3, 1, 0}) {
        reflected |= 1u << (31 - exponent);
    }
    std::uint32_t crc = 0;
    for (std::size_t i = from; i < to; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool feedback = ((crc ^ (sector[i] >> bit)) & 1) != 0;
            crc = (crc >> 1) ^ (feedback ? reflected : 0);
        }
    }
    return crc;
}

std::uint32_t storedEdc(const std::vector<std::uint8_t>& sector, std::size_t at) {
    return sector[at] | sector[at + 1] << 8 | sector[at + 2] << 16 |
           static_cast<std::uint32_t>(sector[at + 3]) << 24;
}

Raw view(std::vector<std::uint8_t>& sector) {
    return Raw(sector.data(), kRawSize);
}

std::vector<std::uint8_t> patterned() {
    std::vector<std::uint8_t> sector(kRawSize);
    for (std::size_t i = 0; i < sector.size(); ++i) {
        sector[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
    }
    return sector;
}

void expectSyncAndHeader(const std::vector<std::uint8_t>& s, std::array<std::uint8_t, 4> header) {
    const std::array<std::uint8_t, 12> sync{0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_TRUE(std::equal(sync.begin(), sync.end(), s.begin()));
    EXPECT_TRUE(std::equal(header.begin(), header.end(), s.begin() + 12));
}

TEST(RawSector, Mode1AllZeroAtLba0) {
    std::vector<std::uint8_t> sector(kRawSize, 0);
    encodeMode1(view(sector), 0);
    expectSyncAndHeader(sector, {0x00, 0x02, 0x00, 0x01});
    EXPECT_EQ(storedEdc(sector, 2064), bitSerialEdc(sector, 0, 2064));
    EXPECT_NE(storedEdc(sector, 2064), 0u);
    EXPECT_TRUE(std::all_of(sector.begin() + 2068, sector.begin() + 2076,
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(parityHolds(sector));
}

TEST(RawSector, Mode1KeepsUserDataAndCoversIt) {
    std::vector<std::uint8_t> sector = patterned();
    const std::vector<std::uint8_t> user(sector.begin() + 16, sector.begin() + 2064);
    encodeMode1(view(sector), 123456);
    expectSyncAndHeader(sector, {0x27, 0x28, 0x06, 0x01});  // 123606 frames = 27:28:06
    EXPECT_TRUE(std::equal(user.begin(), user.end(), sector.begin() + 16));
    EXPECT_EQ(storedEdc(sector, 2064), bitSerialEdc(sector, 0, 2064));
    EXPECT_TRUE(parityHolds(sector));

    // The checker must see damage, or the check above proves nothing.
    sector[1000] ^= 0x40;
    EXPECT_FALSE(parityHolds(sector));
    EXPECT_NE(storedEdc(sector, 2064), bitSerialEdc(sector, 0, 2064));
}

TEST(RawSector, Mode2Form1ParityLeavesOutTheHeader) {
    std::vector<std::uint8_t> sector = patterned();
    const std::array<std::uint8_t, 8> subheader{0, 0, 0x08, 0, 0, 0, 0x08, 0};
    std::copy(subheader.begin(), subheader.end(), sector.begin() + 16);
    const std::vector<std::uint8_t> user(sector.begin() + 24, sector.begin() + 2072);
    encodeMode2Form1(view(sector), 16);
    expectSyncAndHeader(sector, {0x00, 0x02, 0x16, 0x02});
    EXPECT_TRUE(std::equal(subheader.begin(), subheader.end(), sector.begin() + 16));
    EXPECT_TRUE(std::equal(user.begin(), user.end(), sector.begin() + 24));
    EXPECT_EQ(storedEdc(sector, 2072), bitSerialEdc(sector, 16, 2072));

    EXPECT_FALSE(parityHolds(sector));
    std::fill_n(sector.begin() + 12, 4, 0);
    EXPECT_TRUE(parityHolds(sector));
}

TEST(RawSector, Mode2Form2HasEdcOnly) {
    std::vector<std::uint8_t> sector = patterned();
    const std::vector<std::uint8_t> body(sector.begin() + 16, sector.begin() + 2348);
    encodeMode2Form2(view(sector), 300);
    expectSyncAndHeader(sector, {0x00, 0x06, 0x00, 0x02});
    EXPECT_TRUE(std::equal(body.begin(), body.end(), sector.begin() + 16));
    EXPECT_EQ(storedEdc(sector, 2348), bitSerialEdc(sector, 16, 2348));
}

TEST(RawSector, Mode2FormlessTouchesOnlySyncAndHeader) {
    std::vector<std::uint8_t> sector = patterned();
    const std::vector<std::uint8_t> body(sector.begin() + 16, sector.end());
    encodeMode2Formless(view(sector), -1);
    expectSyncAndHeader(sector, {0x00, 0x01, 0x74, 0x02});
    EXPECT_TRUE(std::equal(body.begin(), body.end(), sector.begin() + 16));
}

TEST(QChannel, PositionFieldsAndCrc) {
    QPosition position;
    position.control = 0x4;
    position.track = 12;
    position.index = 1;
    position.relative = 75 * 61 + 3;    // 01:01:03
    position.absoluteLba = 4500 - 150;  // 01:00:00
    const auto q = qChannel(position);
    const std::array<std::uint8_t, 10> data{0x41, 0x12, 0x01, 0x01, 0x01,
                                            0x03, 0x00, 0x01, 0x00, 0x00};
    EXPECT_TRUE(std::equal(data.begin(), data.end(), q.begin()));
    const std::uint16_t crc = qCrc(data);
    EXPECT_EQ(q[10], crc >> 8);
    EXPECT_EQ(q[11], crc & 0xFF);

    const auto formatted = formattedQ(position);
    EXPECT_TRUE(std::equal(q.begin(), q.end(), formatted.begin()));
    EXPECT_TRUE(std::all_of(formatted.begin() + 12, formatted.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST(QChannel, PregapCountsDownAndLeadOutKeepsItsCode) {
    QPosition pregap;
    pregap.track = 2;
    pregap.index = 0;
    pregap.relative = -150;
    pregap.absoluteLba = 1000;
    const auto q = qChannel(pregap);
    EXPECT_EQ(q[2], 0x00);
    EXPECT_EQ(q[3], 0x00);
    EXPECT_EQ(q[4], 0x02);
    EXPECT_EQ(q[5], 0x00);

    QPosition leadOut;
    leadOut.track = 0xAA;
    EXPECT_EQ(qChannel(leadOut)[1], 0xAA);
}

}  // namespace
}  // namespace kel::emu::sector
