// Waiting for a drive that has just loaded a disc: its first answers after a
// load are NOT READY while the disc spins up, then UNIT ATTENTION once.
#pragma once

#include <chrono>

#include "frontend/common/drive_server_client.h"

namespace kel::frontend {

// Asks for the device status of server device `device` until it answers
// without an error or `limit` has passed, pausing between the asks and
// painting the windows meanwhile. True when the drive became ready.
// Leaves DriveNumber at `device`.
bool WaitUntilDriveReady(DriveServerClient& client, int device, std::chrono::milliseconds limit);

}  // namespace kel::frontend
