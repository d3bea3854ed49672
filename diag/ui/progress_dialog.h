// The scanning progress dialog that long disc operations show: created hidden
// by the main thread, shown by the worker's first AdvanceProgress, closed by
// the worker when its operation ends.
#pragma once

#include <functional>

namespace kel::diag {

// Main thread only. Called when the user presses Cancel (or Escape): the
// abort request of the current device.
void SetProgressCancelHandler(std::function<void()> handler);

// Creates the dialog, hidden, replacing any earlier one. From a worker thread
// the main thread creates it and the call returns when it exists.
void CreateProgressDialog();

// Shows the dialog and starts its animation on the first call after
// creation; later calls change nothing visible. Without a dialog it does
// nothing. Any thread.
void AdvanceProgress();

// Closes the dialog (the worker that owns the operation). Any thread.
void CloseProgressDialog();

// Whether the dialog exists / is shown (the status bar and tests ask).
bool ProgressDialogExists();
bool ProgressDialogShown();

}  // namespace kel::diag
