// One third-party tool run as a step of a file-system build.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/fs/filesystems.h"

namespace kel::mkdisc::fs {

// An error naming the request's recipe file and line.
BuildError requestError(const FileSystemRequest& request, std::string message);

// Runs `argv` with its output in `logFile`; nothing when it exits 0. A
// leading "env NAME=value ..." is looked through, so that the tool, not env,
// is named when it is missing or fails.
std::optional<BuildError> runToolStep(const FileSystemRequest& request,
                                      const std::vector<std::string>& argv,
                                      const std::filesystem::path& logFile);

}  // namespace kel::mkdisc::fs
