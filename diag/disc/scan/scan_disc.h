// The disc scan: reads the disc in the current drive into the track list
// and the tracks' file trees, on a thread of its own, with the scanning
// progress dialog shown and its Cancel honoured between tracks.
#pragma once

namespace kel::diag {

// The scan thread's body. Whoever starts it has set the busy flag; the scan
// clears it when it ends.
void ScanDisc();

// Sets the busy flag and starts ScanDisc on a new thread. While another
// operation holds the busy flag nothing starts: it beeps and gives false.
// Main thread.
bool StartScanDisc();

}  // namespace kel::diag
