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
#include "tests/diag/support/hand_built_tracks.h"

namespace kel::diag::testing {

class HandBuiltList : public ::testing::Test, protected HandBuiltTracks {
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

}  // namespace kel::diag::testing
