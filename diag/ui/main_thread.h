// Carrying a call over to the main (user-interface) thread, as a worker's
// message is carried to the main window and answered there.
#pragma once

#include <functional>

namespace kel::diag {

// Whether a QApplication exists (and so a main thread that shows windows).
bool HaveApplication();
bool OnMainThread();

// Runs `call` on the main thread and returns its result: directly when
// already there (or when there is no application), else the caller waits
// until the main thread has run it.
int RunOnMainThread(const std::function<int()>& call);

// Queues `call` for the main thread without waiting; dropped without an
// application.
void PostToMainThread(std::function<void()> call);

}  // namespace kel::diag
