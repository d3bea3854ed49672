// Rock Ridge alternate names (RRIP 4.1.4) that do not fit one NM entry: the
// writers split a long name over several NM entries flagged CONTINUE, and
// move the rest of the system use area into continuation areas (SUSP 5.1)
// once the directory record is full.
#include <set>
#include <utility>
#include <vector>

#include "diag/fs/iso/iso_scan.h"

namespace kel::diag {
namespace {

using iso::Bytes;

// NM flags: the name goes on in the next NM entry.
constexpr std::uint8_t kNameContinues = 1;
// CE: block, offset and length of the next area, each both-endian.
constexpr std::size_t kCeBlock = 4;
constexpr std::size_t kCeOffset = 12;
constexpr std::size_t kCeLength = 20;
constexpr std::size_t kCeBytes = 28;
// A hostile chain of areas ends after this many; real names need one or two.
constexpr int kMaxAreas = 16;

struct Area {
    std::int64_t block = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

class NameCollector {
public:
    explicit NameCollector(IsoScan& scan) : scan_(scan) {}

    std::optional<std::string> collect(Bytes systemUse) {
        std::optional<Area> next = walk(systemUse);
        std::vector<std::uint8_t> block(iso::kBlockSize);
        for (int areas = 0; next && continues_ && areas < kMaxAreas; ++areas) {
            const Bytes area = read(*next, block);
            if (area.empty()) {
                break;
            }
            next = walk(area);
        }
        if (!found_ || name_.empty()) {
            return std::nullopt;
        }
        return std::move(name_);
    }

private:
    // Takes the area's NM entries; the CE entry it names, if any.
    std::optional<Area> walk(Bytes area) {
        std::optional<Area> next;
        std::size_t pos = 0;
        while (pos + iso::susp::kHeader < area.size() && area[pos + iso::susp::kVersion] == 1) {
            const std::size_t length = area[pos + iso::susp::kLength];
            // An entry shorter than its header would never move the walk on.
            if (length < iso::susp::kHeader || length > area.size() - pos) {
                break;
            }
            const Bytes entry = area.subspan(pos, length);
            if (iso::Matches(entry, 0, "ST")) {
                break;
            }
            if (iso::Matches(entry, 0, "NM") && length >= iso::susp::kNameData && continues_) {
                found_ = true;
                continues_ = (entry[iso::susp::kNameData - 1] & kNameContinues) != 0;
                const Bytes part = entry.subspan(iso::susp::kNameData);
                name_.append(part.begin(), part.end());
            } else if (iso::Matches(entry, 0, "CE") && length >= kCeBytes) {
                next = Area{AdjustedBlock(scan_, iso::Le32(entry, kCeBlock), true),
                            iso::Le32(entry, kCeOffset), iso::Le32(entry, kCeLength)};
            }
            pos += length;
        }
        return next;
    }

    // The area's bytes within its block; empty when it lies outside the
    // volume or the block, was read before, or cannot be read.
    Bytes read(const Area& area, std::vector<std::uint8_t>& block) {
        if (area.block < 0 || area.block > scan_.state.VolumeEndLimit ||
            area.offset >= iso::kBlockSize || area.length > iso::kBlockSize - area.offset ||
            !seen_.insert({area.block, area.offset}).second ||
            !ReadBlock(scan_.device, area.block, block)) {
            return {};
        }
        return Bytes(block).subspan(area.offset, area.length);
    }

    IsoScan& scan_;
    std::string name_;
    bool found_ = false;
    // Before the first NM entry, and while the last one was flagged CONTINUE.
    bool continues_ = true;
    std::set<std::pair<std::int64_t, std::uint32_t>> seen_;
};

}  // namespace

std::optional<std::string> RockRidgeName(IsoScan& scan, iso::Bytes systemUse) {
    return NameCollector(scan).collect(systemUse);
}

}  // namespace kel::diag
