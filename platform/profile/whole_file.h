// Whole-file reads and crash-safe whole-file replacement, shared by the
// settings stores (profiles and the registry).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace kel::profile {

// A file's bytes. A missing file is std::nullopt with `error` clear; any
// other failure (unreadable, a folder, larger than `maxBytes`) is std::nullopt
// with `error` set.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         std::error_code& error);

// Replaces `file` with `bytes` so that a reader, or the file after a crash,
// holds either the old content or the new one, never a mix: the bytes go to
// a temporary file in the same folder, are flushed to the disk, and the
// temporary file is renamed over `file`. The folder must exist. A new file
// gets `newFileMode`; an existing one keeps its mode.
std::error_code replaceWholeFile(const std::filesystem::path& file, std::string_view bytes,
                                 unsigned newFileMode);

}  // namespace kel::profile
