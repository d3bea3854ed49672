// The "Save directory" and "Restore directory" commands: the current disc's
// track list and file trees to a directory tree file, and back.
#pragma once

#include <functional>
#include <string>

#include "diag/ui/file_dialog.h"

namespace kel::diag {

// Asks for a file name, writes the file; failures are shown as messages.
void SaveDirectoryTree();
// Asks for a file name, reads the file and makes it the disc information,
// handing the trees to the panes.
void LoadDirectoryTree();

// What the file dialog is asked for; an empty title leaves the dialog's own.
using TreeFileDialogRequest = FileDialogRequest;

// Gives the chosen file name, or "" when the user cancelled. The program
// uses a file dialog; tests give the name themselves. An empty function
// brings the file dialog back.
using TreeFileDialog = std::function<std::string(const TreeFileDialogRequest&)>;
void SetTreeFileDialog(TreeFileDialog dialog);

}  // namespace kel::diag
