// The error log of the error summary: for each failed read, which file of
// the disc (or which place of an audio track) holds the block, appended to a
// text file the user names in the preferences.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

// The entry of the tree whose blocks hold `block`, searched depth first in
// list order; null when none does.
const FileNode* FindFileAtBlock(const FileNode* first, std::int32_t block);

// The line that names the block's file or audio position.
std::string ReadErrorLine(std::int32_t block, const TrackInfo& track);

// The three header lines that open one command's entries.
std::string ErrorLogHeader(std::string_view driveDescription, const TrackList& tracks);

// Where the log goes: the ErrorLogFile setting, relative to the program's
// folder.
std::filesystem::path ErrorLogPath();

// Appends the text and CR LF; a file that cannot be opened drops the line.
void AppendErrorLog(std::string_view text);

// Logs one failed read; the header goes first when `headerWritten` is
// clear, which it then sets.
void ReportReadError(std::int32_t block, const TrackInfo& track, bool& headerWritten);

}  // namespace kel::diag
