// Learning that a window of another process is gone.
#pragma once

#include <functional>

#include "platform/link/message.h"

namespace kel::link {

// Calls `gone` once, on the calling thread while it serves its windows, when
// `window` is closed or its process ends, however it ends (a crash or a kill
// included). Returns false, and calls nothing, when no such window listens.
bool watchWindow(Handle window, std::function<void()> gone);

}  // namespace kel::link
