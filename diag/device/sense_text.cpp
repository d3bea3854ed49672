#include "diag/device/sense_text.h"

#include <cstdio>

namespace kel::diag {

namespace {
constexpr int kSenseTextBase = 8000;
constexpr std::size_t kMaxEntry = 79;
}  // namespace

std::string senseString(const StringSource& strings, std::uint8_t asc, std::uint8_t ascq) {
    char codes[32];
    std::snprintf(codes, sizeof codes, "Sense=%02x %02x", asc, ascq);
    std::optional<std::string> entry = strings ? strings(kSenseTextBase + asc) : std::nullopt;
    if (!entry) {
        return codes;
    }
    return "\n" + entry->substr(0, kMaxEntry) + "\n" + codes;
}

}  // namespace kel::diag
