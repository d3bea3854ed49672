// The copy commands of the main window: "&Copy file ..." (40010) for the
// entries selected in the list pane, "&Copy directory ..." (99) for the
// directory selected in the tree pane, and "Copy sectors or track image"
// (40036) for a block range of the selected track. Each runs under the busy
// flag with its progress window.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace kel::diag {

class Panes;

void CopyFileCommand(QWidget* owner, const Panes& panes);
void CopyDirectoryCommand(QWidget* owner, const Panes& panes);
void CopyTrackImageCommand(QWidget* owner, const Panes& panes);

// How the target is chosen: a folder, or with `image` set an image file;
// "" when the user cancelled. By default the file dialogs.
using CopyTargetChooser = std::function<std::string(QWidget* owner, bool image)>;
void SetCopyTargetChooser(CopyTargetChooser chooser);

}  // namespace kel::diag
