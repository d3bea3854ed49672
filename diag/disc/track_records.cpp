#include "diag/disc/track_records.h"

#include "diag/disc/track_list.h"

namespace kel::diag {

TrackInfo* NewRecordFromTrackInformation(const TrackInformation& info) {
    TrackInfo* record = NewTrackRecord();
    if (!record) {
        return nullptr;
    }
    record->start = info.start;
    record->end = AddBlocks(info.start, info.size);
    record->freeBlocks = info.freeBlocks;
    if (info.nextWritableValid && info.nextWritable != info.start) {
        record->nextWritable = info.nextWritable;
    }
    if (HasFixedPackets(info.dataModeByte)) {
        record->packetSize = info.packetSize;
    }
    record->trackModeByte = info.trackModeByte;
    record->dataModeByte = info.dataModeByte;
    record->session = info.session;
    record->track = info.track;
    record->control = info.trackModeByte & 0x0F;
    if (info.dataModeByte & data_mode::kBlank) {
        record->flags |= track_flags::kBlank;
    }
    return record;
}

}  // namespace kel::diag
