// Making, linking and freeing the records of the track list.
#pragma once

#include "diag/disc/track_info.h"

namespace kel::diag {

// A cleared record from the tracked allocator; null after message 111.
TrackInfo* NewTrackRecord();

// Links the record behind the last one and makes it the last.
void AppendTrack(TrackInfo* record);
// Links `record` directly in front of / behind `at`, a record of the list.
void InsertTrackBefore(TrackInfo* at, TrackInfo* record);
void InsertTrackAfter(TrackInfo* at, TrackInfo* record);

// Frees every record with its file tree and extent table and empties the
// list; the panes are not touched.
void FreeTrackRecords();

inline bool IsLeadOut(const TrackInfo& record) {
    return record.track == kLeadOutTrack;
}

// The record in front of the lead-out, or the last record when the list
// does not end in one; null when there is none.
TrackInfo* LastTrackBeforeLeadOut();

}  // namespace kel::diag
