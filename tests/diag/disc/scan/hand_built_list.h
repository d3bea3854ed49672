// Track lists and file trees built by hand, for the scan's steps that need
// no drive: messages and tree insertions are recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/ui/messages.h"

namespace kel::diag::testing {

class HandBuiltList : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            std::lock_guard lock(mutex_);
            messages_.push_back({id, text});
            return answer::kOk;
        });
        PaneHooks hooks;
        hooks.insertTreeNode = [this](FileNode& node) {
            std::lock_guard lock(mutex_);
            inserted_.push_back(&node);
        };
        SetPaneHooks(std::move(hooks));
    }
    void TearDown() override {
        FreeTrackRecords();
        SetPaneHooks({});
        SetMessageResponder({});
    }

    TrackInfo* add(std::uint8_t track, std::uint8_t control, std::int32_t start,
                   std::int32_t end = 0, std::uint8_t session = 1) {
        TrackInfo* record = NewTrackRecord();
        record->track = track;
        record->control = control;
        record->start = start;
        record->end = end;
        record->session = session;
        AppendTrack(record);
        return record;
    }

    // A node below `parent` (or the track's root when `parent` is null).
    FileNode* node(TrackInfo& track, FileNode* parent, const std::string& name,
                   std::int32_t startBlock, std::uint32_t size, bool directory = false) {
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

    std::vector<int> messageIds() {
        std::lock_guard lock(mutex_);
        std::vector<int> ids;
        for (const auto& [id, text] : messages_) {
            ids.push_back(id);
        }
        return ids;
    }
    std::string messageText(std::size_t i) {
        std::lock_guard lock(mutex_);
        return messages_.at(i).second;
    }

    std::mutex mutex_;
    std::vector<std::pair<int, std::string>> messages_;
    std::vector<FileNode*> inserted_;
};

constexpr std::uint8_t kData = 0x14;
constexpr std::uint8_t kAudio = 0x10;

}  // namespace kel::diag::testing
