// Whether a process that left a file behind (a socket, a temporary file) has
// ended, so that the file may be taken away.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cerrno>

namespace kel {

// Only "no such process" counts as gone: a process of another user that we
// may not signal is still alive.
inline bool ProcessGone(pid_t process) {
    return ::kill(process, 0) != 0 && errno == ESRCH;
}

}  // namespace kel
