// The help contexts the program opens: the contents, and the topic of each
// dialog and property page that has a Help button. Control topics and the
// analysis messages' topics are numbered by their own tables.
#pragma once

namespace kel::diag::help_context {

inline constexpr int kContents = 0;
inline constexpr int kAnalysis = 1;
inline constexpr int kTableOfContents = 2;
inline constexpr int kVolume = 3;
inline constexpr int kErrorSummary = 4;
inline constexpr int kPreferences = 5;
inline constexpr int kDeviceSettings = 8;
inline constexpr int kHardwareInfo = 11;

inline constexpr int kAll[] = {kContents,     kAnalysis,    kTableOfContents, kVolume,
                               kErrorSummary, kPreferences, kDeviceSettings,  kHardwareInfo};

}  // namespace kel::diag::help_context
