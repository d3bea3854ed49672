// The emulated drive's descriptor (.emu, docs/emulated-drive.md) for a built
// disc: the CUE sheet and mounted folder it names, and the recipe's drive
// settings passed through. Paths are written relative to the descriptor.
#pragma once

#include <string>

#include "emu/disc/descriptor.h"

namespace kel::mkdisc {

// `drive.mountedFolder` is written as given (empty: no mounted folder).
std::string descriptorText(const emu::DriveDescription& drive, const std::string& cueName,
                           const std::string& recipeName);

}  // namespace kel::mkdisc
