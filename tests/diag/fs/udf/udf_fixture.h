// A track list of one data track and its lead-out over a MemoryDevice that
// is the current device, with messages recorded and the debug log in a
// temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "tests/diag/fs/udf/udf_builder.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::testing {

class UdfFixture : public ::testing::Test {
protected:
    UdfFixture() {
        Options() = OptionsBlock{};
        logSwitches().debugMode = true;
        SetDebugLogPath(folder_ / "MORVALE.DBG");
        SetMessageResponder([this](int id, std::uint16_t, const std::string&) {
            messages_.push_back(id);
            return answer::kOk;
        });
        SetCurrentDevice(&device_);
        StopScan() = false;
        CloseRequested() = false;
        track_.track = 1;
        track_.session = 1;
        track_.control = 0x14;
        track_.start = 0;
        track_.end = 600;
        track_.next = &leadOut_;
        leadOut_.prev = &track_;
        leadOut_.track = kLeadOutTrack;
        leadOut_.start = 600;
    }
    ~UdfFixture() override {
        FreeFileTree(track_.root);
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        SetDebugLogPath({});
        logSwitches().debugMode = false;
        Options() = OptionsBlock{};
    }

    bool read() { return ReadUdfVolume(track_, buffer_); }

    std::string log() const {
        std::ifstream file(folder_ / "MORVALE.DBG", std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static std::vector<const FileNode*> children(const FileNode* directory) {
        std::vector<const FileNode*> nodes;
        for (const FileNode* node = directory ? directory->firstChild : nullptr; node;
             node = node->next) {
            nodes.push_back(node);
        }
        return nodes;
    }
    static const FileNode* child(const FileNode* directory, const std::string& name) {
        for (const FileNode* node : children(directory)) {
            if (name == node->name) {
                return node;
            }
        }
        return nullptr;
    }

    test::TempFolder folder_;
    MemoryDevice device_{600};
    UdfBuilder udf_{device_};
    TrackInfo track_;
    TrackInfo leadOut_;
    std::array<std::uint8_t, 2048> buffer_{};
    std::vector<int> messages_;
};

}  // namespace kel::diag::testing
