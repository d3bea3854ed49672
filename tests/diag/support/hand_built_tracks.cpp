#include "tests/diag/support/hand_built_tracks.h"

#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"

namespace kel::diag::testing {

TrackInfo* HandBuiltTracks::add(std::uint8_t track, std::uint8_t control, std::int32_t start,
                                std::int32_t end, std::uint8_t session) {
    TrackInfo* record = NewTrackRecord();
    record->track = track;
    record->control = control;
    record->start = start;
    record->end = end;
    record->session = session;
    AppendTrack(record);
    return record;
}

FileNode* HandBuiltTracks::node(TrackInfo& track, FileNode* parent, const std::string& name,
                                std::int32_t startBlock, std::uint32_t size, bool directory) {
    FileNode* made = NewFileNode(name, parent == nullptr, __FILE__, __LINE__);
    made->track = &track;
    made->startBlock = startBlock;
    made->size = size;
    made->flags = directory ? node_flags::kDirectory : 0;
    made->parent = parent;
    if (parent == nullptr) {
        track.root = made;
        return made;
    }
    FileNode** link = &parent->firstChild;
    FileNode* previous = nullptr;
    while (*link != nullptr) {
        previous = *link;
        link = &(*link)->next;
    }
    made->previous = previous;
    *link = made;
    return made;
}

}  // namespace kel::diag::testing
