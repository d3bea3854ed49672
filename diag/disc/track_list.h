// Making, linking and freeing the records of the track list.
#pragma once

#include <cstdint>

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

// The one record of a blank disc (MakeBlankDisc): its end counts the
// disc's free blocks rather than naming a block.
inline bool IsBlankDisc(const TrackInfo& record) {
    return (record.flags & track_flags::kBlank) != 0 && record.prev == nullptr &&
           record.next == nullptr;
}

// The disc's tracks as the status line and the analysis count them: every
// record but the lead-out and the HFS twins, which stand for the track in
// front of them.
int CountTracks();

// The length of `r` in blocks up to `following`, a record behind it. The
// lead-out, lead-in and pregap between two sessions belong to neither
// session: towards a record of another session the length ends at `r`'s
// own end.
std::int64_t BlocksUpTo(const TrackInfo& r, const TrackInfo& following);

// The record in front of the lead-out, or the last record when the list
// does not end in one; null when there is none.
TrackInfo* LastTrackBeforeLeadOut();

}  // namespace kel::diag
