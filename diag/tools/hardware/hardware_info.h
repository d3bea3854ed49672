// What the selected drive reports about itself, one "label TAB value" line
// per item: its identity from the INQUIRY data, the commands the program
// chose for it, and what its CD capabilities page (mode page 2Ah) says.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "diag/device/cd_device.h"

namespace kel::diag {

inline constexpr std::size_t kInquiryBytes = 255;
inline constexpr std::size_t kCapabilitiesBytes = 21;

// What the list is made of, as the drive object holds it.
struct HardwareFacts {
    std::string description;
    std::array<std::uint8_t, kInquiryBytes> inquiry{};
    bool hasCapabilitiesPage = false;
    std::array<std::uint8_t, kCapabilitiesBytes> capabilitiesPage{};
    std::uint8_t cddaCommand = 0;
    std::uint8_t rawCommand = 0;
    std::uint8_t trackInfoCommand = 0;
    bool mode10 = false;
    std::uint8_t inactivityTimer = 0;  // mode page 0Dh byte 3
};

// The lines for those facts; without a capabilities page, rows 8-21 and
// the capabilities line are left out.
std::vector<std::string> HardwareInfoLines(const HardwareFacts& facts, int reasonCode);

// The lines of the hardware information list. `reasonCode` is how the last
// search for the drive's error-recovery setting ended; 0 gives no line. A
// drive whose INQUIRY fails gives the single line of message 5000.
std::vector<std::string> FillHardwareInfo(CdDevice& device, int reasonCode);

// The label, a TAB and the value.
std::string AddInfoLine(int labelId, const std::string& value);
// The label, a TAB and "False" or "True" (the halves of message 5001).
std::string AddInfoFlagLine(int labelId, bool value);

// The text for the inactivity timer value of mode page 0Dh (its low four
// bits): "Infinite", ".125 seconds" up to "32 minutes".
const char* InactivityText(std::uint8_t timerValue);

}  // namespace kel::diag
