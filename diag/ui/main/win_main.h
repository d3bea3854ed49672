// The program's start-up, message loop and clean-up.
#pragma once

#include <string_view>

class QApplication;

namespace kel::diag {

// Runs the program in `app` with the switches of `commandLine`: the splash,
// the switches, the main window, the drives and, when the last used drive is
// ready, the disc scan; then the message loop until the window is closed,
// and the clean-up. Returns the loop's exit code, or 0 when start-up failed.
int WinMain(QApplication& app, std::string_view commandLine);

}  // namespace kel::diag
