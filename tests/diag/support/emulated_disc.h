// Discs built by mkdisc in an emulated drive D:, reached through the
// pass-through device as the program reaches a real drive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "diag/device/drive_access.h"
#include "diag/device/spti_device.h"
#include "diag/device/wait_clock.h"
#include "diag/disc/track_info.h"
#include "tests/diag/support/no_wait_clock.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/recipe.h"

namespace kel::diag::testing {

// The recipe of `text`, named `origin` in errors; nothing (with a test
// failure recorded) when it is wrong.
std::optional<mkdisc::Recipe> ParseRecipe(const std::string& text,
                                          const std::filesystem::path& origin);
// The disc of `recipe` built into `outputDir`; nothing (with a test failure
// recorded) when mkdisc fails.
std::optional<mkdisc::BuiltDisc> BuildDisc(const mkdisc::Recipe& recipe,
                                           const std::filesystem::path& outputDir);
std::optional<mkdisc::BuiltDisc> BuildDisc(const std::string& text,
                                           const std::filesystem::path& origin,
                                           const std::filesystem::path& outputDir);

// Drive D: holding the emulated drive of `descriptor` (a descriptor or a
// disc image), its waits counted by `clock`.
std::shared_ptr<DriveAccess> EmulatedDriveD(
    const std::filesystem::path& descriptor,
    std::shared_ptr<WaitClock> clock = std::make_shared<NoWaitClock>());
// A pass-through device on that drive, not opened yet.
std::unique_ptr<SptiDevice> EmulatedDevice(const std::filesystem::path& descriptor);

// The first track of `disc` as the table of contents records it: track 1 of
// session 1 over its placement, with `control`; followed by `leadOut` at the
// disc's lead-out when one is given.
void RecordFirstTrack(const mkdisc::BuiltDisc& disc, std::uint8_t control, TrackInfo& track,
                      TrackInfo* leadOut = nullptr);

}  // namespace kel::diag::testing
