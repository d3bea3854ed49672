// Reed-Solomon product code (P and Q parity) of a mode 1 / mode 2 form 1
// sector. Internal to the sector encoders.
#pragma once

#include "emu/sector/sector.h"

namespace kel::emu::sector {

// Writes P parity (2076..2247) and then Q parity (2248..2351) over bytes
// 12..2247 as they stand; the caller zeroes the header first where the
// format wants it.
void writeEcc(Raw raw);

}  // namespace kel::emu::sector
