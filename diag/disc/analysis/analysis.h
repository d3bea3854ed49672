// The disc analysis: judges the scanned disc, track by track, against what
// a disc needs for replication, and lists the findings as analysis lines
// (analysis_lines.h). Runs on the main thread inside the analysis dialog,
// while the busy flag keeps the scan from changing the track list.
#pragma once

#include <cstdint>

#include "diag/disc/track_info.h"

namespace kel::diag {

// The whole analysis of the track list: a fresh set of lines and verdict.
void RunAnalysis();

// The table-of-contents summary, with the manufacturer line.
void AnalyzeToc();
// The maker and dye of a recordable disc, from its lead-in start time and
// the manufacturer file.
void AnalyzeManufacturer();
// The boot record and default entry of a bootable track.
void CheckBootCatalog(const TrackInfo& first);

// The sum of the decimal digits of the seconds at which block `block` lies
// (block 0 is at second 2).
std::uint32_t CddbDigitSum(std::int32_t block);
// The disc identifier of the CDDB service: records from the first up to,
// not including, the last.
std::uint32_t CddbKey();

}  // namespace kel::diag
