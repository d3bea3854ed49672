// The running system as the programs name it where they would name the desktop
// OS: version texts and titles say "Linux 6.8".
#pragma once

#include <string>
#include <string_view>

namespace kel::drives {

// The desktop's platform ids. The programs take the NT family to mean that
// SCSI pass-through is available, which is what platform/scsi provides.
enum class PlatformFamily : unsigned { Win32s = 0, Windows9x = 1, Nt = 2 };

constexpr PlatformFamily platformFamily() {
    return PlatformFamily::Nt;
}

struct SystemVersion {
    std::string name;  // "Linux"
    int major = 0;
    int minor = 0;

    std::string text() const;  // "Linux 6.8"
};

// From uname's system name and release ("6.8.0-45-generic" gives 6 and 8;
// missing or unreadable numbers count as 0).
SystemVersion parseSystemVersion(std::string_view sysname, std::string_view release);

SystemVersion runningSystem();

}  // namespace kel::drives
