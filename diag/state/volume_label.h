// The current volume label: the volume identifier of the last volume the
// file-system readers found, cleared at the start of each disc scan. The
// scan puts it into the main window's title; the readers and the scan run
// on the scan thread, others read it only while no scan runs.
#pragma once

#include <string>
#include <string_view>

namespace kel::diag {

// Keeps at most the 32 characters of a volume identifier.
void SetCurrentVolumeLabel(std::string_view label);
std::string CurrentVolumeLabel();

}  // namespace kel::diag
