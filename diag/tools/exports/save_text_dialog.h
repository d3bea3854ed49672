// The save dialog of the text exports, or the name a test gives.
#pragma once

#include <functional>
#include <string>

#include "diag/ui/file_dialog.h"

namespace kel::diag {

// What the save dialog is asked for.
using SaveTextRequest = FileDialogRequest;

// Gives the chosen file name, or "" when the user cancelled. The program
// uses a file dialog; tests give the name themselves. An empty function
// brings the file dialog back.
using SaveTextDialog = std::function<std::string(const SaveTextRequest&)>;
void SetSaveTextDialog(SaveTextDialog dialog);

// Asks for the name of a text file to write, with string `titleId` as the
// dialog's title; "" when cancelled.
std::string AskSaveTextFileName(int titleId);

}  // namespace kel::diag
