// The modal file dialog that asks for one file's name, and the string
// table's filter lists in the form it takes them.
#pragma once

#include <string>
#include <string_view>

class QWidget;

namespace kel::diag {

// "Name (pattern);;Name (pattern)" from a list as LoadFilterString gives it:
// name, pattern, name, pattern, each ended by NUL. Empty texts are passed
// over; a name without a pattern is dropped.
std::string FileDialogFilter(std::string_view list);

struct FileDialogRequest {
    QWidget* owner = nullptr;  // null: the active window
    bool save = true;          // saving needs an existing folder, opening an existing file
    std::string title;
    std::string start;          // the folder or file the dialog opens at, "" for the current one
    std::string filter;         // in the form FileDialogFilter gives
    std::string defaultSuffix;  // added to a name typed without one
};

// The chosen file's path, or "" when the user cancelled.
std::string RunFileDialog(const FileDialogRequest& request);

}  // namespace kel::diag
