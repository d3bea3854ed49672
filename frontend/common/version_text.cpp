#include "version_text.h"

#include "platform/drives/system_info.h"

namespace kel::frontend {

std::uint8_t PlatformIsWin32s = 0;
std::uint8_t PlatformIsWin95 = 0;
std::uint8_t PlatformIsNT = 0;

std::string GetWindowsVersionText() {
    drives::PlatformFamily family = drives::platformFamily();
    PlatformIsWin32s = family == drives::PlatformFamily::Win32s ? 1 : 0;
    PlatformIsWin95 = family == drives::PlatformFamily::Windows9x ? 1 : 0;
    PlatformIsNT = family == drives::PlatformFamily::Nt ? 1 : 0;
    return drives::runningSystem().text();
}

}  // namespace kel::frontend
