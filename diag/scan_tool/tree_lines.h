// The file trees of a scanned disc as plain text lines, for morvale-scan:
// one line per entry, the path from its track's root with "/" between the
// names, then TAB, start block, TAB, size in bytes, TAB, the recording date
// as YYYY-MM-DD HH:MM:SS. Directories end with "/"; the root is "/".
#pragma once

#include <ostream>

#include "diag/fs/file_node.h"

namespace kel::diag {

// Writes the root's line, then each directory's entries in list order followed
// by those of its subdirectories in turn, as a recursive listing shows them; the
// . and .. entries are left out, since they name no entry of their own.
void WriteTreeLines(std::ostream& out, const FileNode& root);

}  // namespace kel::diag
