// A data track on an in-memory disc, read as the disc scan would, with the
// messages and tree-pane insertions the reading made.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/memory_device.h"

namespace kel::diag::testing {

class HfsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        logSwitches().debugMode = false;
        logSwitches().writeThrough = false;
        AllowHfsDamageReport();
        SetCurrentDevice(&device_);
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            return answer::kOk;
        });
        PaneHooks hooks;
        hooks.insertTreeNode = [this](FileNode& node) { inserted_.push_back(node.name); };
        SetPaneHooks(std::move(hooks));
        track_.session = 1;
        track_.track = 1;
        track_.control = 0x14;
    }
    void TearDown() override {
        FreeFileTree(track_.root);
        track_.root = nullptr;
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        SetPaneHooks({});
    }

    // The child of `directory` named `name`, or null.
    static const FileNode* Child(const FileNode* directory, const std::string& name) {
        for (const FileNode* c = directory ? directory->firstChild : nullptr; c; c = c->next) {
            if (name == c->name) {
                return c;
            }
        }
        return nullptr;
    }

    MemoryDevice device_;
    TrackInfo track_;
    std::vector<int> messages_;
    std::vector<std::string> texts_;
    std::vector<std::string> inserted_;
};

}  // namespace kel::diag::testing
