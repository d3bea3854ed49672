// Work files in a shared temporary folder. The process that makes one holds
// a lock on it for as long as the file is in use; the kernel drops the lock
// when the process ends, however it ends, so a work file that nobody holds
// was left behind by a run that is gone.
#pragma once

#include <cstdio>
#include <filesystem>

namespace kel {

// Marks the open work file `file`, just created at `path`, as this
// process's. False when `path` no longer names the file (a clean-up took it
// away before the lock was held): the caller then makes another.
bool HoldWorkFile(std::FILE* file, const std::filesystem::path& path);

// Removes the work file at `path` when no process holds it; true when it
// was removed.
bool RemoveWorkFileIfAbandoned(const std::filesystem::path& path);

}  // namespace kel
