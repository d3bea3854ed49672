// READ CD and READ CD MSF: the fields of each sector that byte 9 selects,
// in disc order, then the C2 error pointers and the sub-channel that byte 10
// selects.
#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/disc_position.h"
#include "emu/drive/msf.h"
#include "emu/drive/sector_access.h"
#include "emu/drive/sector_layout.h"
#include "emu/drive/sub_channel.h"

namespace kel::emu {

namespace {

// Byte 1 bits 2-4.
enum class ExpectedType : std::uint8_t { Any, CdDa, Mode1, Mode2Formless, Mode2Form1, Mode2Form2 };

// Byte 9.
constexpr std::uint8_t kSync = 0x80;
constexpr std::uint8_t kHeader = 0x20;
constexpr std::uint8_t kSubheader = 0x40;
constexpr std::uint8_t kUserData = 0x10;
constexpr std::uint8_t kEdcEcc = 0x08;
constexpr std::size_t kC2Bits = 294;
constexpr std::size_t kC2BitsWithBlockError = 296;

// Byte 10 bits 0-2.
constexpr std::uint8_t kSubChannelNone = 0;
constexpr std::uint8_t kSubChannelRaw = 1;
constexpr std::uint8_t kSubChannelQ = 2;
constexpr std::uint8_t kSubChannelPacks = 4;

struct Selection {
    ExpectedType expected = ExpectedType::Any;
    std::uint8_t fields = 0;
    std::uint8_t c2 = 0;
    std::uint8_t subChannel = 0;
};

bool matches(ExpectedType expected, SectorKind kind) {
    switch (expected) {
        case ExpectedType::Any:
            return true;
        case ExpectedType::CdDa:
            return kind == SectorKind::Audio;
        case ExpectedType::Mode1:
            return kind == SectorKind::Mode1;
        case ExpectedType::Mode2Formless:
            return false;  // every mode 2 track here is XA
        case ExpectedType::Mode2Form1:
            return kind == SectorKind::Mode2Form1;
        case ExpectedType::Mode2Form2:
            return kind == SectorKind::Mode2Form2;
    }
    return false;
}

void appendField(const RawSector& raw, FieldRange field, ReplyStream& out) {
    out.append(std::span(raw).subspan(field.offset, field.size));
}

std::optional<SenseCode> appendSubChannel(DriveContext& context, std::uint8_t selection,
                                          std::int32_t lba, ReplyStream& out) {
    SubChannel sub;
    if (selection == kSubChannelPacks) {
        if (auto failure = rwPacks(context, lba, sub)) {
            return failure;
        }
        out.append(sub);
        return std::nullopt;
    }
    if (auto failure = rawSubChannel(context, lba, sub)) {
        return failure;
    }
    if (selection == kSubChannelRaw) {
        out.append(sub);
    } else {
        out.append(formattedQFromRaw(sub));
    }
    return std::nullopt;
}

std::optional<SenseCode> shapeSector(DriveContext& context, const Selection& selection,
                                     std::int32_t lba, const RawSector& raw, ReplyStream& out) {
    const Disc& disc = context.disc;
    const auto position = qPositionAt(disc, lba);
    if (!position) {
        return sense::kLbaOutOfRange;
    }
    const SectorKind kind = sectorKind(*disc.trackAt(lba), raw.data());
    if (!matches(selection.expected, kind)) {
        return sense::kIllegalModeForTrack;
    }
    const SectorFields fields = sectorFields(kind);
    if (kind == SectorKind::Audio) {
        if ((selection.fields & kUserData) != 0) {
            appendField(raw, fields.user, out);
        }
    } else {
        if ((selection.fields & kSync) != 0)
            appendField(raw, fields.sync, out);
        if ((selection.fields & kHeader) != 0)
            appendField(raw, fields.header, out);
        if ((selection.fields & kSubheader) != 0)
            appendField(raw, fields.subheader, out);
        if ((selection.fields & kUserData) != 0)
            appendField(raw, fields.user, out);
        if ((selection.fields & kEdcEcc) != 0)
            appendField(raw, fields.edcEcc, out);
    }
    // Every sector that reaches the host read without an uncorrected error.
    if (selection.c2 == 1)
        out.appendZeros(kC2Bits);
    if (selection.c2 == 2)
        out.appendZeros(kC2BitsWithBlockError);
    if (selection.subChannel != kSubChannelNone) {
        return appendSubChannel(context, selection.subChannel, lba, out);
    }
    return std::nullopt;
}

std::optional<Selection> parseSelection(const CommandData& command) {
    Selection selection;
    const std::uint8_t type = (command.cdb[1] >> 2) & 0x07;
    if (type > static_cast<std::uint8_t>(ExpectedType::Mode2Form2)) {
        return std::nullopt;
    }
    selection.expected = static_cast<ExpectedType>(type);
    const std::uint8_t flags = command.cdb[9];
    selection.fields = flags & 0xF8;
    selection.c2 = (flags >> 1) & 0x03;
    selection.subChannel = command.cdb[10] & 0x07;
    // Sync without the header that follows it is no field combination a
    // drive returns; nor is the third C2 code.
    const bool syncAlone = (flags & kSync) != 0 && (flags & kHeader) == 0;
    if (syncAlone || selection.c2 == 3) {
        return std::nullopt;
    }
    // Selection 3 is reserved, and none exists beyond the packs.
    const std::uint8_t sub = selection.subChannel;
    if (sub != kSubChannelNone && sub != kSubChannelRaw && sub != kSubChannelQ &&
        sub != kSubChannelPacks) {
        return std::nullopt;
    }
    return selection;
}

// Sync, all headers, user data and EDC/ECC of any kind of sector are the
// whole sector as it stands on the disc.
bool wholeSectors(const Selection& selection) {
    return selection.expected == ExpectedType::Any &&
           selection.fields == (kSync | kHeader | kSubheader | kUserData | kEdcEcc) &&
           selection.c2 == 0 && selection.subChannel == kSubChannelNone;
}

Outcome readCdRange(DriveContext& context, const CommandData& command, std::int64_t lba,
                    std::int64_t count) {
    std::optional<Selection> selection = parseSelection(command);
    if (!selection) {
        return fail(sense::kInvalidField);
    }
    if (!rangeOnDisc(context.disc, lba, count)) {
        return fail(sense::kLbaOutOfRange);
    }
    if (wholeSectors(*selection)) {
        return streamSectors(context, command, static_cast<std::int32_t>(lba), count);
    }
    return streamSectors(
        context, command, static_cast<std::int32_t>(lba), count,
        [&context, &selection](std::int32_t sector, const RawSector& raw, ReplyStream& out) {
            return shapeSector(context, *selection, sector, raw, out);
        });
}

}  // namespace

Outcome readCd(DriveContext& context, const CommandData& command) {
    const auto lba = static_cast<std::int32_t>(readBe(command.cdb, 2, 4));
    return readCdRange(context, command, lba, readBe(command.cdb, 6, 3));
}

Outcome readCdMsf(DriveContext& context, const CommandData& command) {
    const std::int32_t start = msfToLba(command.cdb, 3);
    const std::int32_t end = msfToLba(command.cdb, 6);
    if (end < start) {
        return fail(sense::kInvalidField);
    }
    return readCdRange(context, command, start, end - start);
}

}  // namespace kel::emu
