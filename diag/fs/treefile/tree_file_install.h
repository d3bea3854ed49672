// Making a checked tree file the program's disc information: new track
// records and nodes in place of the current list, trees handed to the panes.
#pragma once

#include "diag/fs/treefile/tree_file_reader.h"

namespace kel::diag::tree_file {

// False when memory ran out (message 111 shown); the current disc
// information is then kept.
bool InstallTreeFile(const LoadedTreeFile& file);

}  // namespace kel::diag::tree_file
