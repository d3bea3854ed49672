// The two launchers the main module starts programs with, held as values so
// that tests can record what would have started.
#pragma once

#include <functional>
#include <string_view>

namespace kel::frontend {

struct Launchers {
    // Command-line start of a disc's setup program; returns the launch code.
    std::function<int(std::string_view commandLine)> WinExec;
    // The shell's default action; returns the launch code.
    std::function<int(std::string_view file, std::string_view parameters,
                      std::string_view directory)>
        ShellExec;

    // The real ones: platform/process and the shared launcher.
    static Launchers system();
};

}  // namespace kel::frontend
