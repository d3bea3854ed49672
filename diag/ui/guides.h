// One-time user guides: a message in the guide dialog, with a check box "Do
// not show this message again" that clears the guide's flag for good (until
// the preferences restore all guides).
#pragma once

#include <cstdint>
#include <functional>

namespace kel::diag {

inline constexpr int kGuideCount = 10;
// Flag 0: the guide shown after a disc scan; flag 1: the error summary's.
inline constexpr int kGuideAfterScan = 0;
inline constexpr int kGuideErrorSummary = 1;

// The ten flags, bit i for guide i, as the settings value "GuideUser" keeps
// them; all set at start.
std::uint32_t GuideFlags();
void SetGuideFlags(std::uint32_t flags);

// Called after a guide flag was cleared, to store the options.
void SetGuideSaver(std::function<void()> saveOptions);

// When the guide's flag is set, shows string `stringId` in the guide dialog
// and returns the check box's state (1 ticked, 0 not), also when the dialog
// was closed with its close box or Escape; a tick clears the flag and saves
// the options. Returns 0 without showing anything when the flag is clear or
// out of range. Callable from any thread.
int ShowGuide(int stringId, int guideFlag);

}  // namespace kel::diag
