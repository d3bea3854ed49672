// The drive objects' callbacks as the program sets them: messages through
// ShowMessage, log lines through DebugLog, dumps through DumpBlock, sense
// texts from the program's string table.
#pragma once

#include "diag/device/cd_device.h"

namespace kel::diag {

MessageCallback programMessageCallback();
LogCallback programLogCallback();
DumpCallback programDumpCallback();
StringSource programStrings();

// Sets the device's three callbacks and its profile's error callback.
void attachProgramCallbacks(CdDevice& device);

}  // namespace kel::diag
