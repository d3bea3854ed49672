#include "diag/device/command_blocks.h"

#include <algorithm>

namespace kel::diag {

namespace {

CommandBlock block(std::size_t length, std::uint8_t op) {
    CommandBlock cdb;
    cdb.length = length;
    cdb.bytes[0] = op;
    return cdb;
}

void put16(CommandBlock& cdb, std::size_t at, std::uint32_t value) {
    cdb.bytes[at] = static_cast<std::uint8_t>(value >> 8);
    cdb.bytes[at + 1] = static_cast<std::uint8_t>(value);
}

void put32(CommandBlock& cdb, std::size_t at, std::uint32_t value) {
    put16(cdb, at, value >> 16);
    put16(cdb, at + 2, value);
}

void putMsf(CommandBlock& cdb, std::size_t at, std::int64_t block) {
    Msf msf = blockToMsf(block);
    cdb.bytes[at] = msf.minute;
    cdb.bytes[at + 1] = msf.second;
    cdb.bytes[at + 2] = msf.frame;
}

// Sub-channel selection field of a CD-DA read: the low four bits only.
std::uint8_t subChannelSelection(std::uint8_t value) {
    return value & 0x0F;
}

}  // namespace

std::int32_t CommandBlock::blockField() const {
    return static_cast<std::int32_t>(std::uint32_t{bytes[2]} << 24 | std::uint32_t{bytes[3]} << 16 |
                                     std::uint32_t{bytes[4]} << 8 | bytes[5]);
}

Msf blockToMsf(std::int64_t block) {
    std::int64_t address = block + 150;
    return Msf{static_cast<std::uint8_t>(address / 4500),
               static_cast<std::uint8_t>((address / 75) % 60),
               static_cast<std::uint8_t>(address % 75)};
}

std::size_t commandLengthOfOpcode(std::uint8_t op) {
    if (op <= 0x1F) {
        return 6;
    }
    return (op & 0xE0) == 0xA0 ? 12 : 10;
}

CommandBlock testUnitReadyCommand() {
    return block(6, opcode::kTestUnitReady);
}

CommandBlock inquiryCommand() {
    CommandBlock cdb = block(6, opcode::kInquiry);
    cdb.bytes[4] = 255;
    return cdb;
}

std::size_t readTocLength(std::uint16_t formatWord) {
    return ((formatWord >> 8) & 0x0F) == 5 ? 16384 : 2048;
}

CommandBlock readTocCommand(std::uint16_t formatWord) {
    CommandBlock cdb = block(10, opcode::kReadToc);
    std::uint8_t format = (formatWord >> 8) & 0x0F;
    if (format >= 4) {
        cdb.bytes[2] = format;
    } else {
        cdb.bytes[9] = static_cast<std::uint8_t>(format << 6);
    }
    cdb.bytes[6] = static_cast<std::uint8_t>(formatWord);
    put16(cdb, 7, static_cast<std::uint32_t>(readTocLength(formatWord)));
    return cdb;
}

CommandBlock readSectorsCommand(const DeviceProfile& profile, bool rawMode, std::uint32_t first,
                                std::uint8_t count) {
    if (rawMode && profile.RawCmd != 0 && profile.RawCmd != opcode::kRead10) {
        CommandBlock cdb = block(12, profile.RawCmd);
        put32(cdb, 2, first);
        cdb.bytes[8] = count;
        cdb.bytes[9] = 0xF8;  // sync, all headers, user data, EDC/ECC
        // Byte 10 stays 0: no sub-channel, so 2352 bytes a sector fill the buffer exactly.
        return cdb;
    }
    CommandBlock cdb = block(10, opcode::kRead10);
    put32(cdb, 2, first);
    cdb.bytes[8] = count;
    return cdb;
}

CommandBlock readCddaCommand(const DeviceProfile& profile, std::uint32_t first) {
    CommandBlock cdb = block(12, profile.RawCmd);
    put32(cdb, 2, first);
    cdb.bytes[8] = 1;
    cdb.bytes[9] = 0x10;  // user data; no sub-channel, the buffer holds one 2352-byte sector
    return cdb;
}

CommandBlock readSubChannelCommand(std::uint8_t format, std::uint8_t track) {
    CommandBlock cdb = block(10, opcode::kReadSubChannel);
    cdb.bytes[2] = 0x40;  // SubQ
    cdb.bytes[3] = format;
    if (format == 3) {
        cdb.bytes[6] = track;
    }
    put16(cdb, 7, 256);
    return cdb;
}

std::optional<CommandBlock> scanReadCommand(const DeviceProfile& profile, std::uint32_t first,
                                            std::uint16_t count, bool withQ) {
    if (profile.CDDALen != 10 && profile.CDDALen != 12) {
        return std::nullopt;
    }
    // Q selection lives in byte 10, which a 10-byte command does not have.
    if (withQ && profile.CDDALen == 10) {
        return std::nullopt;
    }
    CommandBlock cdb = block(profile.CDDALen, profile.CDDACmd);
    if (!profile.mmcCdda && profile.CDDALen == 12 && profile.CDDAMSF) {
        putMsf(cdb, 3, first);
        putMsf(cdb, 7, std::int64_t{first} + count);
    } else {
        put32(cdb, 2, first);
        put16(cdb, 7, count);
    }
    if (profile.mmcCdda) {
        cdb.bytes[9] = 0x10;
    }
    if (withQ) {
        cdb.bytes[10] = subChannelSelection(profile.SubQVal);
    }
    return cdb;
}

std::optional<CommandBlock> readWithSubcodeCommand(const DeviceProfile& profile,
                                                   std::uint32_t first, std::uint16_t count) {
    if (profile.SubRW == 0xFF || profile.CDDALen != 12) {
        return std::nullopt;
    }
    CommandBlock cdb = block(12, profile.CDDACmd);
    if (profile.mmcCdda) {
        put32(cdb, 2, first);
        put16(cdb, 7, count);
        cdb.bytes[9] = 0x10;
        cdb.bytes[10] = profile.SubRWDe ? 0x04 : 0x01;
        return cdb;
    }
    if (profile.CDDAMSF) {
        putMsf(cdb, 3, first);
        putMsf(cdb, 7, std::int64_t{first} + count);
    } else {
        put32(cdb, 2, first);
        put16(cdb, 8, count);
    }
    cdb.bytes[10] = profile.SubRW;
    return cdb;
}

std::optional<CommandBlock> discInfoCommand(const DeviceProfile& profile, std::uint16_t track) {
    if (track == 0) {
        CommandBlock cdb = block(10, opcode::kReadDiscInformation);
        cdb.bytes[8] = 255;
        return cdb;
    }
    if (profile.TrkInfo == opcode::kVendorTrackInfo) {
        CommandBlock cdb = block(12, opcode::kVendorTrackInfo);
        cdb.bytes[2] = 0xFF;
        cdb.bytes[6] = 0xFF;
        return cdb;
    }
    // A database entry of TrkInfo=0 would turn this into TEST UNIT READY;
    // 0xFF is the profile's "not set".
    if (profile.TrkInfo == 0 || profile.TrkInfo == 0xFF) {
        return std::nullopt;
    }
    CommandBlock cdb = block(10, profile.TrkInfo);
    if (profile.TrkInfo == opcode::kReadTrackInformation && track != 256) {
        cdb.bytes[1] = 1;  // the address is a track number
    }
    cdb.bytes[5] = static_cast<std::uint8_t>(track);
    cdb.bytes[8] = 255;
    return cdb;
}

CommandBlock vendorTrackInfoAllCommand() {
    CommandBlock cdb = block(12, opcode::kVendorTrackInfo);
    std::fill(cdb.bytes.begin() + 2, cdb.bytes.begin() + 10, 0xFF);
    return cdb;
}

CommandBlock modeSenseCommand(bool mode10, std::uint8_t page, std::uint16_t allocation) {
    if (mode10) {
        CommandBlock cdb = block(10, opcode::kModeSense10);
        cdb.bytes[2] = page;
        put16(cdb, 7, allocation);
        return cdb;
    }
    CommandBlock cdb = block(6, opcode::kModeSense6);
    cdb.bytes[2] = page;
    cdb.bytes[4] = static_cast<std::uint8_t>(allocation > 255 ? 255 : allocation);
    return cdb;
}

CommandBlock modeSelectCommand(bool mode10, std::uint16_t listLength) {
    CommandBlock cdb =
        block(mode10 ? 10 : 6, mode10 ? opcode::kModeSelect10 : opcode::kModeSelect6);
    cdb.bytes[1] = 0x10;  // page format
    if (mode10) {
        put16(cdb, 7, listLength);
    } else {
        cdb.bytes[4] = static_cast<std::uint8_t>(listLength);
    }
    return cdb;
}

CommandBlock loadEjectCommand(std::uint8_t op, bool eject) {
    CommandBlock cdb = block(commandLengthOfOpcode(op), op);
    cdb.bytes[4] = eject ? 0x02 : 0x03;
    return cdb;
}

CommandBlock setCdSpeedCommand(std::uint16_t readKbs, std::uint16_t writeKbs) {
    CommandBlock cdb = block(12, opcode::kSetCdSpeed);
    put16(cdb, 2, readKbs);
    put16(cdb, 4, writeKbs);
    return cdb;
}

CommandBlock seekCommand(std::uint32_t first) {
    CommandBlock cdb = block(10, opcode::kSeek10);
    put32(cdb, 2, first);
    return cdb;
}

}  // namespace kel::diag
