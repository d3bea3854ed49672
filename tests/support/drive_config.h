// The drive configuration of one test case. A process reads KEL_DRIVES once
// and keeps the table, as a running program does; a case that sets its own
// has it read afresh, and clearing it leaves no table behind that names the
// case's deleted folder.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/drives/drive_table.h"

namespace kel::test {

inline void setDriveConfig(const std::string& config) {
    ::setenv("KEL_DRIVES", config.c_str(), 1);
    drives::reloadDrives();
}

inline void clearDriveConfig() {
    ::unsetenv("KEL_DRIVES");
    drives::reloadDrives();
}

}  // namespace kel::test
