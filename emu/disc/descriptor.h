// The emulated drive's descriptor: an INI-style text of our own (see
// docs/emulated-drive.md) naming the disc image and carrying what an image
// cannot: the drive's identity and personality, the folder that stands for
// the mounted disc, and injected faults.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "emu/disc/disc.h"

namespace kel::emu {

enum class Personality {
    Mmc,    // MMC/ATAPI: INQUIRY version 0, 10-byte mode commands, READ CD
    Scsi2,  // older SCSI-2: version 2, 6-byte mode commands, block-length switching, READ LONG
};

// What READ TOC format 4 (ATIP) does on a pressed disc.
enum class AtipOnPressed { IllegalField, ShortReply };

struct FaultSet {
    std::vector<LbaRange> hard;      // 3/11/00
    std::vector<LbaRange> marginal;  // recovered: 1/18/00 with PER, slow without, 3/11/00 with DCR
    std::vector<LbaRange> other;     // 4/44/00
    std::vector<std::uint8_t> rejectedOpcodes;  // answered 5/20/00
    int becomingReadyPolls = 0;                 // 2/04/01 for this many commands after a load
    // Sense key, ASC, ASCQ of a read of a block that holds nothing.
    std::array<std::uint8_t, 3> unwrittenSense{0x5, 0x21, 0x00};
};

struct DriveDescription {
    std::string vendor = "KELEMU";            // INQUIRY 8-15
    std::string product = "CD-ROM EMULATED";  // 16-31
    std::string revision = "1.00";            // 32-35
    std::string date = "20261201";            // 36-43
    Personality personality = Personality::Mmc;
    bool vendorCddaRead = false;  // SCSI-2: vendor CD-DA read 0xD8/0xD9
    AtipOnPressed atipOnPressed = AtipOnPressed::IllegalField;
    std::uint8_t errorRecoveryChangeable = 0xFF;  // page 0x01 byte 2 changeable mask
    bool fullTocBcd = false;              // READ TOC format 2 in BCD, as some older drives answer
    bool vendorTrackInfo = false;         // SCSI-2: vendor track information 0xE5/0xE6
    std::filesystem::path mountedFolder;  // empty: the disc has no mounted folder
    std::string volumeLabel;
    FaultSet faults;
};

// A descriptor together with the disc it names.
struct LoadedDrive {
    DriveDescription drive;
    Disc disc;
};

}  // namespace kel::emu
