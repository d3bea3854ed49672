// Neighbours in the track list as the checks need them: an HFS twin record
// stands for the same track as the record in front of it.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

inline bool IsTwin(const TrackInfo& r) {
    return (r.flags & track_flags::kHfsTwin) != 0;
}

// The first record behind `r` that is not a twin, or the last record when
// all behind it are; `r` must have a next record.
inline const TrackInfo& NextNonTwin(const TrackInfo& r) {
    const TrackInfo* x = r.next;
    while (IsTwin(*x) && x->next != nullptr) {
        x = x->next;
    }
    return *x;
}

}  // namespace kel::diag
