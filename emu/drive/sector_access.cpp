#include "emu/drive/sector_access.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "emu/drive/mode_pages.h"
#include "platform/base/log.h"

namespace kel::emu {

namespace {

// What a marginal sector costs in retries before the drive recovers it,
// whether or not it reports the recovery: enough for a timing scan to see
// the slow spot.
constexpr std::int64_t kMarginalReadMs = 25;

// Sectors read together in one go when nothing is wrong with them.
constexpr std::int64_t kRunSectors = 64;

bool inAny(const std::vector<LbaRange>& ranges, std::int32_t lba) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [lba](const LbaRange& range) { return range.contains(lba); });
}

// How many sectors from lba on (at most `limit`) read plainly: no injected
// fault and nothing unwritten, so that the image can serve them in one read.
std::int64_t plainRun(const DriveContext& context, std::int32_t lba, std::int64_t limit) {
    const FaultSet& faults = context.drive.faults;
    std::int64_t run = 0;
    for (; run < limit; ++run) {
        const auto at = static_cast<std::int32_t>(lba + run);
        if (inAny(faults.hard, at) || inAny(faults.other, at) || inAny(faults.marginal, at) ||
            context.disc.isUnwritten(at)) {
            break;
        }
    }
    return run;
}

// Reads a run of plain sectors into the host's buffer (whole sectors) or,
// for a shaper, into `scratch` and through it. False when the image could
// not be read: the caller reads the run sector by sector to find the one
// at fault.
bool streamRun(DriveContext& context, std::int32_t lba, std::int64_t run, const SectorShaper& shape,
               std::vector<std::uint8_t>& scratch, ReplyStream& stream, Outcome& failed) {
    const std::size_t bytes = static_cast<std::size_t>(run) * kRawSectorSize;
    if (shape) {
        scratch.resize(bytes);
    }
    const std::span<std::uint8_t> into =
        shape ? std::span<std::uint8_t>(scratch) : stream.freeRoom().first(bytes);
    if (context.reader.readRawRun(lba, static_cast<std::int32_t>(run), into)) {
        return false;
    }
    if (!shape) {
        stream.commit(bytes);
        return true;
    }
    for (std::int64_t k = 0; k < run; ++k) {
        RawSector raw;
        std::copy_n(scratch.begin() + static_cast<std::ptrdiff_t>(k) * kRawSectorSize,
                    kRawSectorSize, raw.begin());
        const std::size_t before = stream.written();
        const auto sector = static_cast<std::int32_t>(lba + k);
        if (auto failure = shape(sector, raw, stream)) {
            failed = failAt(*failure, sector, before);
            return true;
        }
    }
    return true;
}

}  // namespace

void ReplyStream::append(std::span<const std::uint8_t> bytes) {
    const std::size_t count = std::min(bytes.size(), room_.size() - written_);
    overflowed_ = overflowed_ || count < bytes.size();
    if (count == 0) {
        return;
    }
    std::memcpy(room_.data() + written_, bytes.data(), count);
    written_ += count;
}

void ReplyStream::appendZeros(std::size_t count) {
    overflowed_ = overflowed_ || count > room_.size() - written_;
    count = std::min(count, room_.size() - written_);
    if (count == 0) {
        return;
    }
    std::memset(room_.data() + written_, 0, count);
    written_ += count;
}

std::span<std::uint8_t> ReplyStream::claimRawSector() {
    if (room_.size() - written_ < kRawSectorSize) {
        return {};
    }
    written_ += kRawSectorSize;
    return room_.subspan(written_ - kRawSectorSize, kRawSectorSize);
}

SectorRead readSector(DriveContext& context, std::int32_t lba,
                      std::span<std::uint8_t, kRawSectorSize> raw) {
    const FaultSet& faults = context.drive.faults;
    if (inAny(faults.hard, lba)) {
        return {sense::kUnrecoveredRead, false};
    }
    if (inAny(faults.other, lba)) {
        return {sense::kInternalFailure, false};
    }
    if (context.disc.isUnwritten(lba)) {
        const auto& code = faults.unwrittenSense;
        return {SenseCode{code[0], code[1], code[2]}, false};
    }
    if (auto error = context.reader.readRaw(lba, raw)) {
        log::warning("emu", *error);
        return {sense::kUnrecoveredRead, false};
    }
    if (!inAny(faults.marginal, lba)) {
        return {};
    }
    // Without correction the drive gives up on the marginal sector;
    // with it the sector reads after retries, reported only when PER asks.
    const std::uint8_t recovery = errorRecoveryFlags(context);
    if ((recovery & error_recovery::kDisableCorrection) != 0) {
        return {sense::kUnrecoveredRead, false};
    }
    context.clock.wait(kMarginalReadMs);
    return {std::nullopt, (recovery & error_recovery::kPostError) != 0};
}

Outcome streamSectors(DriveContext& context, const CommandData& command, std::int32_t first,
                      std::int64_t count, const SectorShaper& shape) {
    ReplyStream stream(command.in);
    std::optional<std::int32_t> firstRecovered;
    RawSector raw;
    std::vector<std::uint8_t> scratch;
    std::int64_t sectorBySector = 0;  // after a run the image failed to serve
    std::int64_t i = 0;
    for (; i < count && !stream.full(); ++i) {
        const auto lba = static_cast<std::int32_t>(first + i);
        std::int64_t wanted = std::min(count - i, kRunSectors);
        if (!shape) {
            wanted = std::min<std::int64_t>(wanted, stream.freeRoom().size() / kRawSectorSize);
        }
        const std::int64_t run = sectorBySector > 0 ? 0 : plainRun(context, lba, wanted);
        if (run > 1) {
            Outcome failed;
            if (!streamRun(context, lba, run, shape, scratch, stream, failed)) {
                sectorBySector = run;
            } else if (failed.sense) {
                return failed;
            } else {
                i += run - 1;
                continue;
            }
        }
        sectorBySector = std::max<std::int64_t>(0, sectorBySector - 1);
        const std::size_t before = stream.written();
        std::span<std::uint8_t> direct =
            shape ? std::span<std::uint8_t>() : stream.claimRawSector();
        SectorRead read = direct.empty() ? readSector(context, lba, raw)
                                         : readSector(context, lba, direct.first<kRawSectorSize>());
        if (!read.failure && shape) {
            read.failure = shape(lba, raw, stream);
        } else if (!read.failure && direct.empty()) {
            stream.append(raw);
        }
        if (read.failure) {
            return failAt(*read.failure, lba, before);
        }
        if (read.recovered && !firstRecovered) {
            firstRecovered = lba;
        }
    }
    if (firstRecovered) {
        return failAt(sense::kRecoveredWithCorrection, *firstRecovered, stream.written());
    }
    return Outcome{std::nullopt, stream.written(), i < count || stream.overflowed()};
}

bool rangeOnDisc(const Disc& disc, std::int64_t first, std::int64_t count) {
    return first >= 0 && count >= 0 && first + count <= disc.leadOut;
}

}  // namespace kel::emu
