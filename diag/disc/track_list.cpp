#include "diag/disc/track_list.h"

#include <new>

#include "diag/fs/readers.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag {

TrackList& Tracks() {
    static TrackList list;
    return list;
}

TrackInfo* NewTrackRecord() {
    void* block = TrackedAlloc(static_cast<std::int32_t>(sizeof(TrackInfo)), __FILE__, __LINE__);
    return block ? new (block) TrackInfo{} : nullptr;
}

void AppendTrack(TrackInfo* record) {
    TrackList& list = Tracks();
    record->prev = list.last;
    record->next = nullptr;
    if (list.last) {
        list.last->next = record;
    } else {
        list.first = record;
    }
    list.last = record;
}

void InsertTrackBefore(TrackInfo* at, TrackInfo* record) {
    record->next = at;
    record->prev = at->prev;
    if (at->prev) {
        at->prev->next = record;
    } else {
        Tracks().first = record;
    }
    at->prev = record;
}

void InsertTrackAfter(TrackInfo* at, TrackInfo* record) {
    record->prev = at;
    record->next = at->next;
    if (at->next) {
        at->next->prev = record;
    } else {
        Tracks().last = record;
    }
    at->next = record;
}

void FreeTrackRecords() {
    TrackList& list = Tracks();
    TrackInfo* record = list.first;
    list.first = nullptr;
    list.last = nullptr;
    while (record) {
        TrackInfo* next = record->next;
        if (record->root) {
            FreeFileTree(record->root);
        }
        TrackedFree(record->extentTable, __FILE__, __LINE__);
        TrackedFree(record, __FILE__, __LINE__);
        record = next;
    }
}

int CountTracks() {
    int count = 0;
    for (const TrackInfo* r = Tracks().first; r; r = r->next) {
        if (!IsLeadOut(*r) && (r->flags & track_flags::kHfsTwin) == 0) {
            ++count;
        }
    }
    return count;
}

std::int64_t BlocksUpTo(const TrackInfo& r, const TrackInfo& following) {
    const std::int32_t end = following.session != r.session ? r.end : following.start;
    return std::int64_t{end} - r.start;
}

TrackInfo* LastTrackBeforeLeadOut() {
    TrackInfo* last = Tracks().last;
    return last && IsLeadOut(*last) ? last->prev : last;
}

}  // namespace kel::diag
