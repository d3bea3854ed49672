#include "emu/drive/sector_access.h"

#include <algorithm>
#include <cstring>

#include "emu/drive/mode_pages.h"
#include "platform/base/log.h"

namespace kel::emu {

namespace {

// What a marginal sector costs when the drive recovers it silently: enough
// for a timing scan to see the slow spot.
constexpr std::int64_t kMarginalReadMs = 25;

bool inAny(const std::vector<LbaRange>& ranges, std::int32_t lba) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [lba](const LbaRange& range) { return range.contains(lba); });
}

}  // namespace

void ReplyStream::append(std::span<const std::uint8_t> bytes) {
    const std::size_t count = std::min(bytes.size(), room_.size() - written_);
    if (count == 0) {
        return;
    }
    std::memcpy(room_.data() + written_, bytes.data(), count);
    written_ += count;
}

void ReplyStream::appendZeros(std::size_t count) {
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
    if (auto error = context.reader.readRaw(lba, raw)) {
        log::warning("emu", *error);
        return {sense::kUnrecoveredRead, false};
    }
    if (!inAny(faults.marginal, lba)) {
        return {};
    }
    const std::uint8_t recovery = errorRecoveryFlags(context);
    if ((recovery & error_recovery::kDisableCorrection) != 0) {
        return {sense::kUnrecoveredRead, false};
    }
    if ((recovery & error_recovery::kPostError) != 0) {
        return {std::nullopt, true};
    }
    context.clock.wait(kMarginalReadMs);
    return {};
}

Outcome streamSectors(DriveContext& context, const CommandData& command, std::int32_t first,
                      std::int64_t count, const SectorShaper& shape) {
    ReplyStream stream(command.in);
    std::optional<std::int32_t> firstRecovered;
    RawSector raw;
    for (std::int64_t i = 0; i < count && !stream.full(); ++i) {
        const auto lba = static_cast<std::int32_t>(first + i);
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
    return Outcome{std::nullopt, stream.written()};
}

bool rangeOnDisc(const Disc& disc, std::int64_t first, std::int64_t count) {
    return first >= 0 && count >= 0 && first + count <= disc.leadOut;
}

}  // namespace kel::emu
