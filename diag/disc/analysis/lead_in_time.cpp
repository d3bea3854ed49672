#include "diag/disc/analysis/lead_in_time.h"

namespace kel::diag {
namespace {

constexpr std::size_t kHeader = 4;
constexpr std::size_t kTocEntry = 11;
constexpr std::uint8_t kPointLeadInStart = 0xC0;
constexpr int kLeadInMinute = 97;
constexpr int kFramesPerMinute = 4500;
constexpr int kFramesPerSecond = 75;

// Fields of a full-TOC entry.
constexpr std::size_t kPoint = 3;
constexpr std::size_t kPmin = 8;
constexpr std::size_t kPsec = 9;
constexpr std::size_t kPframe = 10;

}  // namespace

std::optional<LeadInTime> LeadInTimeFromAtip(std::span<const std::uint8_t> reply) {
    // The two descriptor bytes whose top bit is always set tell an ATIP from
    // the zeros a drive leaves when it has none.
    if (reply.size() < 11 || reply[2] != 0 || reply[3] != 0 || (reply[4] & 0x80) == 0 ||
        (reply[6] & 0x80) == 0) {
        return std::nullopt;
    }
    return LeadInTime{reply[9], reply[10]};
}

std::optional<LeadInTime> LeadInTimeFromFullToc(std::span<const std::uint8_t> reply) {
    if (reply.size() < kHeader || (reply[0] == 0 && reply[1] == 0)) {
        return std::nullopt;
    }
    const std::size_t entries = (std::size_t{reply[0]} << 8 | reply[1]) / kTocEntry;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t at = kHeader + i * kTocEntry;
        if (at + kTocEntry > reply.size()) {
            break;
        }
        const auto entry = reply.subspan(at, kTocEntry);
        if (entry[kPoint] != kPointLeadInStart) {
            continue;
        }
        if (entry[kPmin] == kLeadInMinute) {
            return LeadInTime{entry[kPsec], entry[kPframe]};
        }
        // Some drives give the time as one frame count over the three bytes.
        const int frames = entry[kPmin] << 16 | entry[kPsec] << 8 | entry[kPframe];
        if (frames / kFramesPerMinute != kLeadInMinute) {
            return std::nullopt;
        }
        const int rest = frames % kFramesPerMinute;
        return LeadInTime{rest / kFramesPerSecond, rest % kFramesPerSecond};
    }
    return std::nullopt;
}

}  // namespace kel::diag
