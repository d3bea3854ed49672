// What the walk over a track's directory tree counts for the volume checks.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

// Which entry rules the walk applies: ISO 9660 names are held to their
// character sets, "." and ".." and versions; Joliet names only to the
// entries and versions; UDF trees have no "." entries to look for.
enum class EntryRules { Iso, Joliet, Udf };

struct TreeCounts {
    int files = 0;  // files whose start block lies inside the track
    int directories = 0;
    int missing = 0;  // entries whose data is not recorded (start block -1)
    bool firstNotDot = false;
    bool secondNotDotDot = false;
    bool noVersionAnywhere = true;
    bool someWithoutVersion = false;
    int nameClass = 0;  // highest character class met
};

// Walks the track's tree; with the FileDetail option each missing file
// gets a line of its own.
TreeCounts CountTree(const TrackInfo& track, EntryRules rules);

}  // namespace kel::diag
