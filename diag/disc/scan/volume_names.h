// A track's volume name as the window title and the table of contents show
// it, taken from its root node's name "\ LABEL (Session n)".
#pragma once

#include <string>

#include "diag/fs/file_node.h"

namespace kel::diag {

// The label for the window title: the root's name without a leading "\ ",
// cut before its last "(", at most 32 characters.
std::string TitleLabel(const FileNode& root);

// The volume column of the table of contents: for a root named with a
// leading backslash, the name from its third character, at most 31
// characters, cut before the last "(" within them; else empty.
std::string TocVolumeName(const FileNode& root);

}  // namespace kel::diag
