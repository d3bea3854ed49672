// The opcode table: which commands the drive knows in its personality, how
// long their CDBs are, which way their data moves, and what the central gate
// checks before their handler runs.
#pragma once

#include <cstdint>

#include "emu/drive/command.h"

namespace kel::emu {

namespace command_flag {
inline constexpr unsigned kNeedsMedium = 0x1;       // NOT READY without a settled disc
inline constexpr unsigned kIgnoresAttention = 0x2;  // runs even with a unit attention pending
}  // namespace command_flag

struct CommandEntry {
    std::uint8_t opcode = 0;
    std::uint8_t cdbLength = 0;
    scsi::Direction direction = scsi::Direction::None;
    unsigned flags = 0;
    Handler handler = nullptr;
};

// The entry for `opcode` in this drive's personality, or nullptr when the
// drive answers it 5/20/00.
const CommandEntry* findCommand(std::uint8_t opcode, const DriveDescription& drive);

}  // namespace kel::emu
