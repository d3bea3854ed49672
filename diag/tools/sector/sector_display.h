// The sector display command: one sector of the disc at a time as lines of
// hex and characters, the user data or the whole raw sector where the drive
// delivers raw sectors.
#pragma once

#include <QFont>

namespace kel::diag {

// The "&Sector Display" command; returns when the dialog closes.
void OpenSectorDisplay();

// The display's fixed-pitch font from the MonoFont settings, and the height
// of one of its lines.
QFont SectorDisplayFont();
int SectorLineHeight(const QFont& font);

}  // namespace kel::diag
