// The file dialog of the tree file commands, or the name a test gives.
#pragma once

#include <string>

#include "diag/fs/treefile/directory_tree_file.h"

namespace kel::diag::tree_file {

// The request for saving or opening a directory tree file.
TreeFileDialogRequest DialogRequest(bool save);

std::string AskTreeFileName(bool save);

}  // namespace kel::diag::tree_file
