// KEL_SCREENSHOT_DIR: after start-up, save pictures of the main dialog and
// the player into that folder and end the program. For machines without a
// display (the demo under Xvfb).
#pragma once

#include <QString>

namespace kel::frontend {

class TCDTolvarMainDialogBox;

// Once the dialog has scanned: selects the first CD drive and saves
// "main.png", opens the player on the first drive that can play and saves
// "player.png" a few seconds in, then closes the dialog.
void ArrangeScreenshots(TCDTolvarMainDialogBox& dialog, const QString& folder);

}  // namespace kel::frontend
