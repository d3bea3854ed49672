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
// with `error` set. `opened`, when given, tells whether the file could be
// opened at all, so that a caller can tell an open from a read failure.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         std::error_code& error, bool* opened = nullptr);

// Replaces `file` with `bytes` so that a reader, or the file after a crash,
// holds either the old content or the new one, never a mix: the bytes go to
// a temporary file in the same folder, are flushed to the disk, and the
// temporary file is renamed over `file`. The folder must exist. A new file
// gets `newFileMode`; an existing one keeps its mode. Temporary files that
// writers killed midway left beside `file` are removed on the way.
std::error_code replaceWholeFile(const std::filesystem::path& file, std::string_view bytes,
                                 unsigned newFileMode);

// Where a replacement through a named temporary file stopped.
enum class ReplaceStep { Done, Create, Write, Rename };
struct ReplaceResult {
    ReplaceStep step = ReplaceStep::Done;
    std::error_code error;
};

// The same through the temporary file `temporary` that the caller names
// (created or truncated): a failed create or write leaves `file` as it was;
// after a failed rename the new bytes stay in `temporary` for the user.
ReplaceResult replaceFileThrough(const std::filesystem::path& file,
                                 const std::filesystem::path& temporary, std::string_view bytes,
                                 unsigned newFileMode);

}  // namespace kel::profile
