// The text that names the running system in the front ends' windows, and the
// platform flags the other units test.
#pragma once

#include <cstdint>
#include <string>

namespace kel::frontend {

// At most one is 1, set by GetWindowsVersionText.
extern std::uint8_t PlatformIsWin32s;
extern std::uint8_t PlatformIsWin95;
extern std::uint8_t PlatformIsNT;

// The running system as the platform layer reports it, such as "Linux 6.8".
std::string GetWindowsVersionText();

}  // namespace kel::frontend
