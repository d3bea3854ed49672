// The link folder: one socket per live window, named after its handle, and the
// table of registered message names.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/link/message.h"

namespace kel::link {

// $KEL_LINK_DIR, else the per-user runtime folder's "link"; created 0700.
std::filesystem::path linkDir();

std::filesystem::path socketPath(const std::filesystem::path& dir, Handle window);

// The handle a socket file name stands for, or nothing for any other file.
std::optional<Handle> handleFromFileName(std::string_view name);

// Handles carry their owner's process id in the upper bits, so a socket left
// by a crashed process is recognised without connecting to it.
unsigned processOf(Handle window);
Handle makeHandle(unsigned pid, unsigned slot);
inline constexpr unsigned kSlotsPerProcess = 1024;

// Removes the window's socket file if the process that made it is gone.
void removeIfOwnerDead(const std::filesystem::path& dir, Handle window);

// Every window with a socket in `dir`; sockets of dead processes are removed
// on the way.
std::vector<Handle> listWindows(const std::filesystem::path& dir);

}  // namespace kel::link
