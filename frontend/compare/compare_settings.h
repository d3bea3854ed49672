// The compare program's options in "KEL.INI", section [COMPPARM], and the
// side table they fill: one entry per side (0 = master disc, 1 = copy).
#pragma once

#include <array>
#include <cstdint>

#include "platform/profile/ini_file.h"

namespace kel::compare {

inline constexpr int kSideEntries = 5;
// Sides the form has: the master and one copy.
inline constexpr int kMaxDriveCount = 1;

struct SideEntry {
    std::uint8_t Master = 0;
    std::uint8_t Enable = 0;
    std::int32_t Size = 0;  // lead-out in sectors; 0 for an unknown disc
};

struct CompareSettings {
    int DriveCount = 1;  // the highest side index in use
    bool ShowHints = true;
    bool IgnoreSync = false;
    std::array<SideEntry, kSideEntries> Sides{};
};

// Reads the section (missing keys give their defaults). "drive" is held to
// 0..1 and "Master" to the sides in use, so that no value points outside the
// side table or at a side the form does not have.
void getini(const profile::IniFile& ini, CompareSettings& settings);

// Writes every key of the section; false when the file cannot be written.
bool saveini(profile::IniFile& ini, const CompareSettings& settings);

}  // namespace kel::compare
