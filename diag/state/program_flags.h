// Process-wide flags that the main window and the worker threads share.
#pragma once

#include <atomic>
#include <functional>

namespace kel::diag {

// Set while a long operation runs; commands only beep meanwhile.
std::atomic<bool>& BusyFlag();
// A close of the main window asked for during an operation: held until the
// operation ends, and every reading loop stops early on it.
std::atomic<bool>& CloseRequested();
// The disc scan's stop flag: cleared at the start of its pass; when set, the
// directory readers give up.
std::atomic<bool>& StopScan();

// Ends the running operation, on whichever thread ran it: the busy flag
// goes, and a close held meanwhile is carried out on the main thread by the
// handler the main window set.
void EndOperation();
// The main window's way to carry out a held close; empty while there is no
// window. Set and cleared on the main thread only.
void SetHeldCloseHandler(std::function<void()> handler);

}  // namespace kel::diag
