// Where the programs keep their files on this machine.
#pragma once

#include <filesystem>
#include <string_view>

namespace kel::paths {

// Per-user folder for sockets, locks and the emulated drives' shared state.
// KEL_RUNTIME_DIR overrides it, so that tests run isolated from each other.
// Created on first use with mode 0700.
std::filesystem::path runtimeDir();

// Folder that holds the running program's executable.
std::filesystem::path programDir();

// A file the programs keep "beside the program" (settings, logs, databases):
// in the program's folder when that folder is writable, otherwise in
// $XDG_DATA_HOME/kel/ (created on demand), under the same name.
std::filesystem::path besideProgram(std::string_view fileName);

// Per-user configuration folder ($XDG_CONFIG_HOME or ~/.config) joined with "kel".
std::filesystem::path configDir();

}  // namespace kel::paths
