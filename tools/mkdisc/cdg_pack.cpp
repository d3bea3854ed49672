#include "tools/mkdisc/cdg_pack.h"

namespace kel::mkdisc {

namespace {

constexpr std::uint8_t kSymbolMask = 0x3F;
constexpr unsigned kFieldPolynomial = 0x43;  // x^6 + x + 1

// Systematic Reed-Solomon parity with generator prod (x - alpha^j), j <
// parity.size(): the message's first symbol is the highest power, so that
// every codeword has the roots alpha^0 .. alpha^(parity-1).
template <std::size_t kParity>
std::array<std::uint8_t, kParity> rsParity(const std::uint8_t* message, std::size_t length) {
    // Generator coefficients from the highest power down, the leading 1 dropped.
    std::array<std::uint8_t, kParity + 1> generator{};
    generator[0] = 1;
    for (std::size_t root = 0; root < kParity; ++root) {
        const std::uint8_t alpha = gf64Power(static_cast<int>(root));
        for (std::size_t k = root + 1; k > 0; --k) {
            generator[k] ^= gf64Multiply(generator[k - 1], alpha);
        }
    }
    std::array<std::uint8_t, kParity> remainder{};
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t feedback = message[i] ^ remainder[0];
        for (std::size_t k = 0; k + 1 < kParity; ++k) {
            remainder[k] = remainder[k + 1] ^ gf64Multiply(feedback, generator[k + 1]);
        }
        remainder[kParity - 1] = gf64Multiply(feedback, generator[kParity]);
    }
    return remainder;
}

}  // namespace

std::uint8_t gf64Multiply(std::uint8_t a, std::uint8_t b) {
    unsigned product = 0;
    unsigned x = a & kSymbolMask;
    for (unsigned y = b & kSymbolMask; y != 0; y >>= 1) {
        if (y & 1) {
            product ^= x;
        }
        x <<= 1;
        if (x & 0x40) {
            x ^= kFieldPolynomial;
        }
    }
    return static_cast<std::uint8_t>(product);
}

std::uint8_t gf64Power(int exponent) {
    exponent %= 63;
    if (exponent < 0) {
        exponent += 63;
    }
    std::uint8_t value = 1;
    for (int i = 0; i < exponent; ++i) {
        value = gf64Multiply(value, 2);
    }
    return value;
}

CdgPack makeCdgPack(std::uint8_t instruction, const CdgData& data) {
    CdgPack pack{};
    pack[0] = kCdgCommand;
    pack[1] = instruction & kSymbolMask;
    const auto q = rsParity<2>(pack.data(), 2);
    pack[2] = q[0];
    pack[3] = q[1];
    for (std::size_t i = 0; i < data.size(); ++i) {
        pack[4 + i] = data[i] & kSymbolMask;
    }
    const auto p = rsParity<4>(pack.data(), 20);
    for (std::size_t i = 0; i < p.size(); ++i) {
        pack[20 + i] = p[i];
    }
    return pack;
}

InterleaveSource interleaveSource(std::size_t symbol) {
    std::size_t source = symbol;
    switch (symbol) {
        case 1:
            source = 18;
            break;
        case 18:
            source = 1;
            break;
        case 2:
            source = 5;
            break;
        case 5:
            source = 2;
            break;
        case 3:
            source = 23;
            break;
        case 23:
            source = 3;
            break;
        default:
            break;
    }
    return {static_cast<int>(symbol % (kMaxInterleaveDelay + 1)), source};
}

}  // namespace kel::mkdisc
