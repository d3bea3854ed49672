#include <string>

#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

constexpr std::uint8_t kMadeDataControl = 0x14;
constexpr std::size_t kMaxNodeName = 255;

}  // namespace

void MakeBlankDisc(std::int32_t freeBlocks) {
    FreeTrackRecords();
    TrackInfo* record = NewTrackRecord();
    if (!record) {
        return;
    }
    record->track = 1;
    record->end = freeBlocks;
    record->control = kMadeDataControl;
    record->flags = track_flags::kBlank | track_flags::kOpen;
    AppendTrack(record);

    // A blank disc has no file system, so the tree pane shows it by a node
    // of its own.
    const FormatArg args[] = {freeBlocks};
    const std::string name = FormatText(LoadResString(227), args, kMaxNodeName);
    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    if (!node) {
        return;
    }
    node->flags = node_flags::kDirectory;
    node->track = record;
    record->root = node;
    InsertTreeNode(*node);
}

}  // namespace kel::diag
