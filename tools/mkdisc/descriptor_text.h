// The emulated drive's descriptor (.emu, docs/emulated-drive.md) for a built
// disc: the CUE sheet, sub-channel file and mounted folder it names, the
// medium, its state, sessions and ATIP, and the recipe's drive settings
// passed through. Paths are written relative to the descriptor.
#pragma once

#include <string>

#include "emu/disc/descriptor.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

struct DescriptorFiles {
    std::string cue;         // empty on a blank disc
    std::string subchannel;  // empty without one
};

// `drive.mountedFolder` and `drive.volumeLabel` are written as given (empty:
// none).
std::string descriptorText(const Recipe& recipe, const DiscPlan& plan,
                           const emu::DriveDescription& drive, const DescriptorFiles& files);

}  // namespace kel::mkdisc
