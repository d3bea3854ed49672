// The raw sub-channel file of a disc with CD+G graphics: 96 bytes per
// sector from LBA 0 to the lead-out and on through the lead-out's first two
// sectors, each byte one bit of each channel (P in bit 7, Q in bit 6, R-W in
// bits 5-0), as READ CD returns raw P-W and image tools store it. P marks the
// pregaps, Q carries the position, R-W the interleaved CD+G packs of the
// recipe's audio tracks. The interleave delays a pack's symbols by up to 7
// packs, so the disc's last packs end in the lead-out, as on a pressed disc.
#pragma once

#include <filesystem>
#include <optional>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

// True when some track carries CD+G instructions.
bool needsSubchannel(const Recipe& recipe);

std::optional<BuildError> writeSubchannelFile(const Recipe& recipe, const DiscPlan& plan,
                                              const std::filesystem::path& file);

}  // namespace kel::mkdisc
