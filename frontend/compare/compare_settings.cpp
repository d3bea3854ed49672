#include "frontend/compare/compare_settings.h"

#include <algorithm>
#include <string>

namespace kel::compare {
namespace {

constexpr const char* kSection = "COMPPARM";

std::string enableKey(int side) {
    return "Enable" + std::to_string(side);
}

}  // namespace

void getini(const profile::IniFile& ini, CompareSettings& settings) {
    settings.DriveCount = std::clamp(ini.readInteger(kSection, "drive", 1), 0, kMaxDriveCount);
    settings.ShowHints = ini.readBool(kSection, "showhints", true);
    settings.IgnoreSync = ini.readBool(kSection, "ignoresync", false);
    for (int side = 0; side <= settings.DriveCount; ++side) {
        settings.Sides[static_cast<std::size_t>(side)].Enable =
            ini.readBool(kSection, enableKey(side), true) ? 1 : 0;
    }
    int master = std::clamp(ini.readInteger(kSection, "Master", 0), 0, settings.DriveCount);
    settings.Sides[static_cast<std::size_t>(master)].Master = 1;
}

bool saveini(profile::IniFile& ini, const CompareSettings& settings) {
    bool ok = ini.writeInteger(kSection, "drive", settings.DriveCount);
    ok = ini.writeBool(kSection, "showhints", settings.ShowHints) && ok;
    ok = ini.writeBool(kSection, "ignoresync", settings.IgnoreSync) && ok;
    for (int side = 0; side <= settings.DriveCount; ++side) {
        ok = ini.writeBool(kSection, enableKey(side),
                           settings.Sides[static_cast<std::size_t>(side)].Enable != 0) &&
             ok;
    }
    for (int side = 0; side < kSideEntries; ++side) {
        if (settings.Sides[static_cast<std::size_t>(side)].Master) {
            ok = ini.writeInteger(kSection, "Master", side) && ok;
        }
    }
    return ok;
}

}  // namespace kel::compare
