// What a command handler sees of one request and of the drive, and what it
// answers. Handlers live one file per command group (unit_commands.cpp,
// read_commands.cpp, read_cd.cpp, toc_commands.cpp, audio_commands.cpp,
// mode_commands.cpp) and are dispatched from command_table.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "emu/disc/descriptor.h"
#include "emu/drive/clock.h"
#include "emu/drive/drive_state.h"
#include "platform/scsi/transport.h"

namespace kel::emu {

struct SenseCode {
    std::uint8_t key = 0, asc = 0, ascq = 0;
};

namespace sense {
inline constexpr SenseCode kRecoveredWithCorrection{0x1, 0x18, 0x00};
inline constexpr SenseCode kBecomingReady{0x2, 0x04, 0x01};
inline constexpr SenseCode kNoMediumTrayClosed{0x2, 0x3A, 0x01};
inline constexpr SenseCode kNoMediumTrayOpen{0x2, 0x3A, 0x02};
inline constexpr SenseCode kUnrecoveredRead{0x3, 0x11, 0x00};
inline constexpr SenseCode kInternalFailure{0x4, 0x44, 0x00};
inline constexpr SenseCode kParameterListLength{0x5, 0x1A, 0x00};
inline constexpr SenseCode kInvalidOpcode{0x5, 0x20, 0x00};
inline constexpr SenseCode kLbaOutOfRange{0x5, 0x21, 0x00};
inline constexpr SenseCode kInvalidField{0x5, 0x24, 0x00};
inline constexpr SenseCode kInvalidParameter{0x5, 0x26, 0x00};
inline constexpr SenseCode kCommandSequence{0x5, 0x2C, 0x00};
inline constexpr SenseCode kSavingNotSupported{0x5, 0x39, 0x00};
inline constexpr SenseCode kRemovalPrevented{0x5, 0x53, 0x02};
inline constexpr SenseCode kIllegalModeForTrack{0x5, 0x64, 0x00};
inline constexpr SenseCode kMediumChanged{0x6, 0x28, 0x00};
inline constexpr SenseCode kReset{0x6, 0x29, 0x00};
inline constexpr SenseCode kLogicalUnitTimeout{0xB, 0x3E, 0x02};
}  // namespace sense

struct CommandData {
    std::span<const std::uint8_t> cdb;
    std::span<std::uint8_t> in;         // room for data to the host; empty unless Direction::In
    std::span<const std::uint8_t> out;  // data from the host; empty unless Direction::Out
};

struct Outcome {
    std::optional<scsi::Sense> sense;  // set: CHECK CONDITION
    std::size_t transferred = 0;
    bool overrun = false;  // the reply was longer than the host's buffer
};

struct DriveContext {
    const DriveDescription& drive;
    const Disc& disc;
    SectorReader& reader;
    DriveState& state;
    const Clock& clock;
    const std::optional<scsi::Sense>& lastSense;  // of this initiator's previous command
};

using Handler = Outcome (*)(DriveContext&, const CommandData&);

Outcome fail(SenseCode code);
// CHECK CONDITION with the sense's information field set to `lba` (the
// failing block) after `transferred` good bytes.
Outcome failAt(SenseCode code, std::int32_t lba, std::size_t transferred);

// Sends `reply` cut to the allocation length and to the host's buffer; the
// reply's own length fields stay true. A cut at the buffer is an overrun.
Outcome answer(const CommandData& command, std::span<const std::uint8_t> reply,
               std::size_t allocation);

}  // namespace kel::emu
