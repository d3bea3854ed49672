#include "platform/scsi/transfer_length.h"

namespace kel::scsi {

namespace {

// A CD's logical block is 2048 bytes or more (2048 cooked, up to 2352 raw).
constexpr std::size_t kLeastBlockBytes = 2048;
constexpr std::size_t kC2Bytes = 294;
constexpr std::size_t kQBytes = 16;
constexpr std::size_t kRawSubChannelBytes = 96;

std::size_t be(std::span<const std::uint8_t> cdb, std::size_t at, std::size_t count) {
    std::size_t value = 0;
    for (std::size_t i = at; i < at + count && i < cdb.size(); ++i) {
        value = value << 8 | cdb[i];
    }
    return value;
}

std::size_t msfFrames(std::span<const std::uint8_t> cdb, std::size_t at) {
    return (std::size_t{cdb[at]} * 60 + cdb[at + 1]) * 75 + cdb[at + 2];
}

// READ CD and READ CD MSF: user data is 2048 bytes at the least (mode 1 and
// form 1; form 2 and CD-DA carry more); the fields a CD-DA sector may leave
// out (sync, headers, EDC/ECC) are not counted; C2 and sub-channel bytes
// come with every sector type.
std::size_t leastReadCdSector(std::span<const std::uint8_t> cdb) {
    std::size_t bytes = (cdb[9] & 0x10) != 0 ? kLeastBlockBytes : 0;
    if ((cdb[9] & 0x06) != 0) {
        bytes += kC2Bytes;
    }
    switch (cdb[10] & 0x07) {
        case 1:
        case 4:
            bytes += kRawSubChannelBytes;
            break;
        case 2:
            bytes += kQBytes;
            break;
        default:
            break;
    }
    return bytes;
}

}  // namespace

std::optional<std::size_t> promisedDataIn(std::span<const std::uint8_t> cdb) {
    if (cdb.empty()) {
        return std::nullopt;
    }
    const std::size_t length = cdb.size();
    switch (cdb[0]) {
        case 0x03:  // REQUEST SENSE
        case 0x1A:  // MODE SENSE(6)
            return length >= 6 ? std::optional(be(cdb, 4, 1)) : std::nullopt;
        case 0x12:  // INQUIRY: bytes 3-4 (byte 3 was reserved, zero, before)
            return length >= 6 ? std::optional(be(cdb, 3, 2)) : std::nullopt;
        case 0x25:  // READ CAPACITY
            return length >= 10 ? std::optional<std::size_t>(8) : std::nullopt;
        case 0x28:  // READ(10)
            return length >= 10 ? std::optional(be(cdb, 7, 2) * kLeastBlockBytes) : std::nullopt;
        case 0xA8:  // READ(12)
            return length >= 12 ? std::optional(be(cdb, 6, 4) * kLeastBlockBytes) : std::nullopt;
        case 0x42:  // READ SUB-CHANNEL
        case 0x43:  // READ TOC/PMA/ATIP
        case 0x44:  // READ HEADER
        case 0x46:  // GET CONFIGURATION
        case 0x4A:  // GET EVENT STATUS NOTIFICATION
        case 0x51:  // READ DISC INFORMATION
        case 0x52:  // READ TRACK INFORMATION
        case 0x5A:  // MODE SENSE(10)
            return length >= 10 ? std::optional(be(cdb, 7, 2)) : std::nullopt;
        case 0xBE:  // READ CD
            return length >= 12 ? std::optional(be(cdb, 6, 3) * leastReadCdSector(cdb))
                                : std::nullopt;
        case 0xB9: {  // READ CD MSF: from the start address up to the end address
            if (length < 12) {
                return std::nullopt;
            }
            const std::size_t start = msfFrames(cdb, 3);
            const std::size_t end = msfFrames(cdb, 6);
            return end > start ? (end - start) * leastReadCdSector(cdb) : 0;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace kel::scsi
