// Process-wide flags that the main window and the worker threads share.
#pragma once

#include <atomic>

namespace kel::diag {

// Set while a long operation runs; commands only beep meanwhile.
std::atomic<bool>& BusyFlag();
// A close of the main window asked for during an operation: held until the
// operation ends, and every reading loop stops early on it.
std::atomic<bool>& CloseRequested();
// The disc scan's stop flag: cleared at the start of its pass; when set, the
// directory readers give up.
std::atomic<bool>& StopScan();

}  // namespace kel::diag
