#include "diag/fs/treefile/tree_file_install.h"

#include <string>

#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/fs/treefile/tree_file_format.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/tracked_alloc.h"

namespace kel::diag::tree_file {

namespace {

// What has been allocated so far, freed as a whole when a later allocation
// fails: nothing is linked into the program's lists until all is there.
struct Built {
    std::vector<TrackInfo*> tracks;
    std::vector<FileNode*> nodes;

    void Free() {
        for (FileNode* node : nodes) {
            if (node->track && OwnsExtentList(node->flags, node->track->flags)) {
                TrackedFree(node->extents, __FILE__, __LINE__);
            }
            TrackedFree(node, __FILE__, __LINE__);
        }
        for (TrackInfo* track : tracks) {
            TrackedFree(track, __FILE__, __LINE__);
        }
    }
};

FileNode* At(const std::vector<FileNode*>& nodes, std::int32_t index) {
    return index == kNoEntry ? nullptr : nodes[static_cast<std::size_t>(index)];
}

// The note lives in the node's own block after the name, so it goes when
// the node goes.
FileNode* MakeNode(const LoadedNode& loaded, bool root) {
    if (!loaded.note) {
        return NewFileNode(loaded.name, root && loaded.name.size() <= kRootNameRoom, __FILE__,
                           __LINE__);
    }
    std::string both = loaded.name;
    both += '\0';
    both += *loaded.note;
    FileNode* node = NewFileNode(both, false, __FILE__, __LINE__);
    if (node != nullptr) {
        node->note = node->name + loaded.name.size() + 1;
    }
    return node;
}

bool FillExtents(FileNode& node, const LoadedNode& loaded) {
    if (loaded.extents.empty()) {
        return true;
    }
    const std::size_t bytes = loaded.extents.size() * sizeof(FileExtent);
    void* block = TrackedAlloc(static_cast<std::int32_t>(bytes), __FILE__, __LINE__);
    if (block == nullptr) {
        return false;
    }
    node.extents = static_cast<FileExtent*>(block);
    std::copy(loaded.extents.begin(), loaded.extents.end(), node.extents);
    return true;
}

}  // namespace

bool InstallTreeFile(const LoadedTreeFile& file) {
    Built built;
    for (const LoadedTrack& loaded : file.tracks) {
        TrackInfo* track = NewTrackRecord();
        if (track == nullptr) {
            built.Free();
            return false;
        }
        *track = loaded.record;
        built.tracks.push_back(track);
    }
    std::vector<bool> isRoot(file.nodes.size(), false);
    for (const LoadedTrack& loaded : file.tracks) {
        if (loaded.root != kNoEntry) {
            isRoot[static_cast<std::size_t>(loaded.root)] = true;
        }
    }
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        const LoadedNode& loaded = file.nodes[i];
        FileNode* node = MakeNode(loaded, isRoot[i]);
        if (node == nullptr) {
            built.Free();
            return false;
        }
        node->track = loaded.track == kNoEntry
                          ? nullptr
                          : built.tracks[static_cast<std::size_t>(loaded.track)];
        node->flags = loaded.flags;
        built.nodes.push_back(node);
        if (node->track && OwnsExtentList(node->flags, node->track->flags)) {
            if (!FillExtents(*node, loaded)) {
                built.Free();
                return false;
            }
        } else {
            node->extents = reinterpret_cast<FileExtent*>(std::uintptr_t{loaded.extentsWord});
        }
        node->reserved1 = loaded.reserved1;
        node->startBlock = loaded.startBlock;
        node->size = loaded.size;
        node->count = loaded.count;
        node->reserved2 = loaded.reserved2;
        node->recordingDate = loaded.recordingDate;
    }

    ReleaseDiscInfo();
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        const LoadedNode& loaded = file.nodes[i];
        FileNode* node = built.nodes[i];
        node->next = At(built.nodes, loaded.next);
        node->previous = At(built.nodes, loaded.previous);
        node->firstChild = At(built.nodes, loaded.firstChild);
        node->parent = At(built.nodes, loaded.parent);
        if (logSwitches().debugMode) {
            DebugLog("File %4x: %8x %6x Next:%4x Prev:%4x Dir:%4x %s", i, loaded.fileOffset,
                     loaded.recordBytes, loaded.next, loaded.previous, loaded.parent, loaded.name);
        }
    }
    for (std::size_t t = 0; t < file.tracks.size(); ++t) {
        built.tracks[t]->root = At(built.nodes, file.tracks[t].root);
        AppendTrack(built.tracks[t]);
    }
    for (TrackInfo* track : built.tracks) {
        if (track->root != nullptr) {
            AddDirectoryToTree(*track->root);
        }
    }
    return true;
}

}  // namespace kel::diag::tree_file
