// After playback: every recorded error as a message, every snapshot saved as
// a numbered bitmap file under one name the user chooses.
#pragma once

namespace kel::diag {

class CdgRecordFile;

// Main thread.
void ReportCdgRecords(CdgRecordFile& records);

}  // namespace kel::diag
