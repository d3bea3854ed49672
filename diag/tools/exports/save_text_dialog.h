// The save dialog of the text exports, or the name a test gives.
#pragma once

#include <functional>
#include <string>

namespace kel::diag {

// What the save dialog is asked for.
struct SaveTextRequest {
    std::string title;
    std::string filter;         // in the file dialog's "Name (*.ext)" form
    std::string defaultSuffix;  // added to a name typed without one
};

// Gives the chosen file name, or "" when the user cancelled. The program
// uses a file dialog; tests give the name themselves. An empty function
// brings the file dialog back.
using SaveTextDialog = std::function<std::string(const SaveTextRequest&)>;
void SetSaveTextDialog(SaveTextDialog dialog);

// Asks for the name of a text file to write, with string `titleId` as the
// dialog's title; "" when cancelled.
std::string AskSaveTextFileName(int titleId);

}  // namespace kel::diag
