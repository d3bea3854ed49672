// How the pass-through device reaches drives: which letters are CD drives,
// a transport for a letter, the name of the system's first hard disk, the
// clock of the retry waits and the string table of the sense texts. The
// program uses the system's (platform/drives); tests give their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "diag/device/device_messages.h"
#include "diag/device/wait_clock.h"
#include "platform/scsi/transport.h"

namespace kel::diag {

// Why a drive could not be opened.
struct OpenFailure {
    std::string devicePath;  // what the messages name: the drive's device or image
    int code = 0;            // errno value when known, else 0
    std::string text;
};

struct DriveAccess {
    std::function<bool(char letter)> isCdLetter;
    std::function<std::unique_ptr<scsi::Transport>(char letter, OpenFailure& failure)> openLetter;
    // The first hard disk's name as the system describes it; empty when none.
    std::function<std::string()> firstDiskName;
    std::shared_ptr<WaitClock> clock;
    StringSource strings;
};

// The machine's drive letters (KEL_DRIVES or /dev/sr*), SG_IO or the
// emulated drive behind them, sysfs for the disk name, real sleeps.
std::shared_ptr<const DriveAccess> systemDriveAccess(StringSource strings);

}  // namespace kel::diag
