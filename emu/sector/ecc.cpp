#include "emu/sector/ecc.h"

#include <array>

namespace kel::emu::sector {

namespace {
// GF(2^8) with the primitive polynomial x^8+x^4+x^3+x^2+1, alpha = x.
struct Field {
    std::array<std::uint8_t, 256> log{};
    std::array<std::uint8_t, 512> exp{};
};

constexpr Field makeField() {
    Field field;
    unsigned value = 1;
    for (unsigned i = 0; i < 255; ++i) {
        field.exp[i] = static_cast<std::uint8_t>(value);
        field.exp[i + 255] = static_cast<std::uint8_t>(value);
        field.log[value] = static_cast<std::uint8_t>(i);
        value <<= 1;
        if (value & 0x100) {
            value ^= 0x11D;
        }
    }
    return field;
}

constexpr Field kField = makeField();

std::uint8_t timesAlpha(std::uint8_t value) {
    return value == 0 ? 0 : kField.exp[kField.log[value] + 1];
}

// 1 / (1 + alpha), the factor that solves the two parity equations below.
std::uint8_t divideByAlphaPlusOne(std::uint8_t value) {
    constexpr unsigned kLogAlphaPlusOne = 25;  // alpha^25 = alpha + 1 in this field
    static_assert(kField.exp[kLogAlphaPlusOne] == 3);
    return value == 0 ? 0 : kField.exp[kField.log[value] + 255 - kLogAlphaPlusOne];
}

// The 2340 bytes from the header on, seen as 1170 16-bit words; each byte
// plane (even and odd offsets) carries its own code.
constexpr std::size_t kEccStart = 12;
constexpr std::size_t kParityBase = 2076;
constexpr std::size_t kQParityBase = 2248;

// One codeword of n bytes whose last two are parity, with check matrix
// [1 1 ... 1; a^(n-1) ... a 1]: s0 + p0 + p1 = 0, s1 + a*p0 + p1 = 0, so
// p0 = (s0 + s1) / (1 + a) and p1 = s0 + p0.
struct Parity {
    std::uint8_t first, second;
};

template <typename ByteAt>
Parity solve(std::size_t dataCount, ByteAt byteAt) {
    std::uint8_t sum = 0;
    std::uint8_t weighted = 0;  // Horner form of sum(a^(n-1-i) * d_i)
    for (std::size_t i = 0; i < dataCount; ++i) {
        const std::uint8_t byte = byteAt(i);
        sum ^= byte;
        weighted = timesAlpha(weighted ^ byte);
    }
    weighted = timesAlpha(weighted);
    const std::uint8_t first = divideByAlphaPlusOne(sum ^ weighted);
    return Parity{first, static_cast<std::uint8_t>(first ^ sum)};
}

// P: 43 columns of 24 words (stride 43 words), RS(26,24) per byte plane.
void writeP(Raw raw) {
    constexpr std::size_t kColumns = 86;  // byte columns: 43 words x 2 planes
    constexpr std::size_t kRows = 24;
    for (std::size_t column = 0; column < kColumns; ++column) {
        const Parity parity =
            solve(kRows, [&](std::size_t row) { return raw[kEccStart + row * kColumns + column]; });
        raw[kParityBase + column] = parity.first;
        raw[kParityBase + kColumns + column] = parity.second;
    }
}

// Q: 26 diagonals of 43 words, word m of diagonal d at (44m + 43d) mod 1118,
// RS(45,43) per byte plane; the diagonals run through the P parity too.
void writeQ(Raw raw) {
    constexpr std::size_t kDiagonals = 26;
    constexpr std::size_t kWordsCovered = 1118;
    constexpr std::size_t kLength = 43;
    for (std::size_t diagonal = 0; diagonal < kDiagonals; ++diagonal) {
        for (std::size_t plane = 0; plane < 2; ++plane) {
            const Parity parity = solve(kLength, [&](std::size_t m) {
                const std::size_t word = (44 * m + 43 * diagonal) % kWordsCovered;
                return raw[kEccStart + 2 * word + plane];
            });
            raw[kQParityBase + 2 * diagonal + plane] = parity.first;
            raw[kQParityBase + 2 * (kDiagonals + diagonal) + plane] = parity.second;
        }
    }
}
}  // namespace

void writeEcc(Raw raw) {
    writeP(raw);
    writeQ(raw);
}

}  // namespace kel::emu::sector
