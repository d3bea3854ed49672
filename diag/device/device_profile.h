// What the program knows of one drive model: which commands and addressing
// it needs for CD-DA and raw reads, whether it switches block sizes, how its
// speed is set. Kept per model in the device database (device_database.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "diag/device/device_messages.h"

namespace kel::diag {

struct DeviceProfile {
    // Shows database errors; the program's message routine.
    MessageCallback errorCallback;

    std::uint8_t DevReg = 0;
    std::uint8_t modified = 0;        // a field setter of the drive object ran
    std::uint8_t speedGiven = 0;      // the database entry gave Speed
    std::uint8_t mmcCdda = 0;         // capabilities page byte 5 bit 0; never stored
    std::uint8_t accurateStream = 0;  // capabilities page byte 5 bit 1; never stored
    std::uint8_t CDDAMSF = 0;
    std::uint8_t CDDALE = 0;
    std::uint8_t CDDAScan = 0;
    std::uint8_t SubRWAvail = 0;
    std::uint8_t SubRWDe = 0;
    std::uint8_t ModeLen = 0;
    std::uint8_t Mode10 = 0;
    std::uint8_t Raw = 0;
    std::uint8_t NoBlkSet = 0;
    std::uint8_t LoadDisc = 0;
    std::uint8_t NoATIP = 0;
    std::uint16_t CDDALen = 0;
    std::uint8_t MechType = 0;
    std::uint8_t CDDACmd = 0;
    std::uint8_t RawCmd = 0;
    std::uint8_t TrkInfo = 0;
    std::uint8_t LoadEj = 0;
    std::uint8_t SubQVal = 0;
    std::uint8_t SubRW = 0;
    std::uint8_t ErrScan = 0;
    std::uint8_t CDDADen = 0;
    std::uint8_t SpeedCode = 0xFF;
    std::uint8_t Speed = 0;
    std::string name;  // vendor, one blank, product

    static constexpr std::size_t kMaxNameLength = 26;

    // Every keyword field and the five flags before them to 0, SpeedCode to
    // 0xFF; the callback and the name stay.
    void resetToDefaults();

    // The database's section and entry names for this drive: the first word
    // of the name, and the rest after its first blank (the whole name when it
    // has none), each ':' (and '[', ']', '#') replaced by '%'.
    std::string vendorKey() const;
    std::string productKey() const;
};

enum class KeywordKind {
    Set,    // the keyword alone sets the flag
    Clear,  // the keyword alone clears it
    Value,  // keyword=number
};

struct ProfileKeyword {
    std::string_view name;
    KeywordKind kind;
    std::uint8_t DeviceProfile::*byteField = nullptr;
    std::uint16_t DeviceProfile::*wordField = nullptr;  // CDDALen, the one 16-bit field
};

// In the order entries are written.
std::span<const ProfileKeyword> profileKeywords();

}  // namespace kel::diag
