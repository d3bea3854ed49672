// The main window's volume command: the volume descriptor of a data track
// as a list of labelled fields.
#pragma once

#include <functional>

#include "diag/disc/track_info.h"

namespace kel::diag {

class VolumeInfoDialog;

// Shows the "VOLUMEINFO" dialog for the track (ISO 9660, High Sierra, CD-i
// or HFS), or the message that says why there is nothing to show;
// `configure` connects the dialog (its Help) before it runs.
void ShowVolumeInfo(const TrackInfo* track,
                    const std::function<void(VolumeInfoDialog&)>& configure = {});

}  // namespace kel::diag
