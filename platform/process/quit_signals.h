// SIGTERM, SIGINT and SIGHUP as a request to close, for a program with an
// event loop: a signal handler may do next to nothing, so it leaves a byte in
// a pipe that the loop watches, and the loop closes the program as its user
// would.
#pragma once

namespace kel::process {

// Installs the handlers (once per process) and returns the descriptor that
// becomes readable when one of the signals has come; -1 when it cannot.
int quitSignalDescriptor();

// Empties the descriptor; true when a signal had come.
bool takeQuitSignal();

}  // namespace kel::process
