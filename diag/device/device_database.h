// The device database file ("ASPIDEV.DDB" beside the program): loading a
// drive's profile from it and writing the profile back.
//
// Every update is a read-modify-write under an exclusive file lock shared by
// every process; the kernel drops the lock of a process that dies, so a
// crashed copy of the program never blocks the others. The new text replaces
// the file by rename, so a reader always sees the old database or the new
// one whole, and needs no lock.
#pragma once

#include <filesystem>

#include "diag/device/device_profile.h"

namespace kel::diag {

inline constexpr const char* kDeviceDatabaseName = "ASPIDEV.DDB";

// The program sets it before enumerating devices; empty: no database.
// `installed`, when given, is the database installed beside a program whose
// folder the user cannot write: it stands for `file` until `file` holds a
// database, and the first update writes `file` from it, so that no entry
// installed there is lost.
void SetDatabaseFileName(const std::filesystem::path& file,
                         const std::filesystem::path& installed = {});
std::filesystem::path DatabaseFileName();

// Applies the drive's entry (profile.name) to the profile. A missing
// database is an empty one. Errors are shown through the profile's error
// callback and make the result false.
bool LoadProfile(DeviceProfile& profile);

// Writes the profile's exact entry into the database, creating the file
// when there is none; false (after a message) when nothing was written.
bool UpdateDatabase(const DeviceProfile& profile);

}  // namespace kel::diag
