// READ(10), READ(12), READ LONG, READ HEADER and the vendor CD-DA reads of
// the older drives. READ(10)/(12) return sectors in the current block length
// (always 2048 on an MMC drive; 2048, 2336 or 2352 on the older ones).
#include <array>

#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/msf.h"
#include "emu/drive/sector_access.h"
#include "emu/drive/sector_layout.h"
#include "emu/drive/sub_channel.h"

namespace kel::emu {

namespace {

constexpr std::size_t kModeByte = 15;

// One sector in a block length other than 2352 (the whole sector, audio
// included): 2048 is the user data of mode 1 and form 1 sectors, 2336
// everything after the header of a data sector.
SectorShaper blockShaper(const Disc& disc, std::uint32_t blockLength) {
    return [&disc, blockLength](std::int32_t lba, const RawSector& raw,
                                ReplyStream& out) -> std::optional<SenseCode> {
        const Track* track = disc.trackAt(lba);
        if (track == nullptr) {
            return sense::kLbaOutOfRange;
        }
        const SectorKind kind = sectorKind(*track, raw.data());
        if (kind == SectorKind::Audio) {
            return sense::kIllegalModeForTrack;
        }
        if (blockLength == 2336) {
            out.append(std::span(raw).subspan(16, 2336));
            return std::nullopt;
        }
        if (kind == SectorKind::Mode2Form2) {
            return sense::kIllegalModeForTrack;
        }
        const FieldRange user = sectorFields(kind).user;
        out.append(std::span(raw).subspan(user.offset, user.size));
        return std::nullopt;
    };
}

Outcome readBlocks(DriveContext& context, const CommandData& command, std::int64_t lba,
                   std::int64_t count) {
    if (!rangeOnDisc(context.disc, lba, count)) {
        return fail(sense::kLbaOutOfRange);
    }
    const std::uint32_t blockLength =
        context.drive.personality == Personality::Mmc ? 2048 : context.state.blockLength;
    if (blockLength == kRawSectorSize) {
        return streamSectors(context, command, static_cast<std::int32_t>(lba), count);
    }
    return streamSectors(context, command, static_cast<std::int32_t>(lba), count,
                         blockShaper(context.disc, blockLength));
}

// The vendor reads' sub-code byte 10: the whole sector alone, with the
// formatted Q after it, with the raw P-W after it, or the raw P-W alone.
enum VendorSubcode : std::uint8_t { kSectorOnly, kSectorAndQ, kSectorAndRaw, kRawOnly };

Outcome vendorRead(DriveContext& context, const CommandData& command, std::int64_t lba,
                   std::int64_t count) {
    const std::uint8_t subcode = command.cdb[10];
    if (subcode > kRawOnly) {
        return fail(sense::kInvalidField);
    }
    if (!rangeOnDisc(context.disc, lba, count)) {
        return fail(sense::kLbaOutOfRange);
    }
    return streamSectors(context, command, static_cast<std::int32_t>(lba), count,
                         [&context, subcode](std::int32_t sector, const RawSector& raw,
                                             ReplyStream& out) -> std::optional<SenseCode> {
                             if (context.disc.trackAt(sector) == nullptr) {
                                 return sense::kLbaOutOfRange;
                             }
                             if (subcode != kRawOnly) {
                                 out.append(raw);
                             }
                             if (subcode == kSectorOnly) {
                                 return std::nullopt;
                             }
                             SubChannel sub;
                             if (auto failure = rawSubChannel(context, sector, sub)) {
                                 return failure;
                             }
                             if (subcode == kSectorAndQ) {
                                 out.append(formattedQFromRaw(sub));
                             } else {
                                 out.append(sub);
                             }
                             return std::nullopt;
                         });
}

}  // namespace

Outcome read10(DriveContext& context, const CommandData& command) {
    return readBlocks(context, command, readBe(command.cdb, 2, 4), readBe(command.cdb, 7, 2));
}

Outcome read12(DriveContext& context, const CommandData& command) {
    return readBlocks(context, command, readBe(command.cdb, 2, 4), readBe(command.cdb, 6, 4));
}

Outcome readLong(DriveContext& context, const CommandData& command) {
    const std::int64_t lba = readBe(command.cdb, 2, 4);
    const std::uint32_t length = readBe(command.cdb, 7, 2);
    if (length == 0) {
        return {};
    }
    if (length != kRawSectorSize) {
        return fail(sense::kInvalidField);
    }
    if (!rangeOnDisc(context.disc, lba, 1)) {
        return fail(sense::kLbaOutOfRange);
    }
    return streamSectors(context, command, static_cast<std::int32_t>(lba), 1);
}

Outcome readHeader(DriveContext& context, const CommandData& command) {
    const bool msf = (command.cdb[1] & 0x02) != 0;
    const std::int64_t lba = readBe(command.cdb, 2, 4);
    if (!rangeOnDisc(context.disc, lba, 1)) {
        return fail(sense::kLbaOutOfRange);
    }
    const auto sectorLba = static_cast<std::int32_t>(lba);
    const Track* track = context.disc.trackAt(sectorLba);
    if (track == nullptr) {
        return fail(sense::kLbaOutOfRange);
    }
    if (!track->isData()) {
        return fail(sense::kIllegalModeForTrack);
    }
    RawSector raw;
    SectorRead read = readSector(context, sectorLba, raw);
    if (read.failure) {
        return failAt(*read.failure, sectorLba, 0);
    }
    std::array<std::uint8_t, 8> reply{};
    reply[0] = raw[kModeByte];
    writeAddress(reply, 4, sectorLba, msf);
    return answer(command, reply, readBe(command.cdb, 7, 2));
}

Outcome vendorReadCdda(DriveContext& context, const CommandData& command) {
    return vendorRead(context, command, readBe(command.cdb, 2, 4), readBe(command.cdb, 6, 4));
}

Outcome vendorReadCddaMsf(DriveContext& context, const CommandData& command) {
    const std::int32_t start = msfToLba(command.cdb, 3);
    const std::int32_t end = msfToLba(command.cdb, 7);
    if (end < start) {
        return fail(sense::kInvalidField);
    }
    return vendorRead(context, command, start, end - start);
}

}  // namespace kel::emu
