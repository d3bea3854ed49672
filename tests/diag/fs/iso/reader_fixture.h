// A track on an in-memory disc, read by the ISO reader as the disc scan
// would, with the messages, status texts and tree-pane insertions it made.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/ui/messages.h"
#include "tests/diag/fs/iso/iso_builder.h"
#include "tests/diag/fs/iso/reader_stubs.h"
#include "tests/diag/support/memory_device.h"

namespace kel::diag::testing {

struct Message {
    int id = 0;
    std::string text;
};

class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Options() = OptionsBlock{};
        readerCalls() = {};
        CloseRequested() = false;
        StopScan() = false;
        SetCurrentDevice(&device_);
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages_.push_back({id, text});
            return answer::kOk;
        });
        PaneHooks hooks;
        hooks.statusText = [this](std::string_view text) { status_.emplace_back(text); };
        hooks.insertTreeNode = [this](FileNode& node) { inserted_.push_back(&node); };
        SetPaneHooks(std::move(hooks));
        track_.session = 1;
        track_.track = 1;
        track_.control = 0x14;
        track_.next = &leadOut_;
        leadOut_.prev = &track_;
        leadOut_.track = kLeadOutTrack;
        leadOut_.session = 1;
    }
    void TearDown() override {
        for (TrackInfo* track = &track_; track != nullptr; track = track->next) {
            FreeFileTree(track->root);
            track->root = nullptr;
        }
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        SetPaneHooks({});
    }

    // Reads track 1, which covers the whole image.
    bool read(const ImageBuilder& image) {
        device_.setImage(image.bytes);
        track_.end = static_cast<std::int32_t>(device_.blockCount());
        leadOut_.start = track_.end;
        return ReadTrackFileSystem(track_);
    }

    FileNode* root() const { return track_.root; }

    static std::vector<FileNode*> children(const FileNode* directory) {
        std::vector<FileNode*> list;
        for (FileNode* node = directory ? directory->firstChild : nullptr; node;
             node = node->next) {
            list.push_back(node);
        }
        return list;
    }
    static std::vector<std::string> names(const FileNode* directory) {
        std::vector<std::string> list;
        for (const FileNode* node : children(directory)) {
            list.emplace_back(node->name);
        }
        return list;
    }
    static FileNode* child(const FileNode* directory, std::string_view name) {
        for (FileNode* node : children(directory)) {
            if (name == node->name) {
                return node;
            }
        }
        return nullptr;
    }
    // Reads of `block` made with `quiet` set, as the directory readers make them.
    long directoryReads(std::uint32_t block) const {
        long count = 0;
        for (std::size_t i = 0; i < device_.reads.size(); ++i) {
            count += device_.reads[i] == block && device_.quietReads[i];
        }
        return count;
    }
    std::vector<int> messageIds() const {
        std::vector<int> ids;
        for (const Message& message : messages_) {
            ids.push_back(message.id);
        }
        return ids;
    }

    MemoryDevice device_;
    TrackInfo track_;
    TrackInfo leadOut_;
    std::vector<Message> messages_;
    std::vector<std::string> status_;
    std::vector<FileNode*> inserted_;
};

// A small ISO 9660 volume of 40 blocks: README.TXT;1 and SUB/A.TXT;1.
//   16 primary descriptor, 17 terminator, 18 path table,
//   20 root, 21 SUB, 30 and 31 the files' data.
inline ImageBuilder BasicImage() {
    ImageBuilder image(40);
    image.descriptor(16, "TESTVOL", 40, 20, 2048, 18);
    image.terminator(17);
    image.pathTable(18, 20);
    std::vector<Entry> root = DotEntries(20, 20);
    Entry readme{"README.TXT;1", 30, 6};
    readme.date = {126, 12, 9, 7, 32, 34, 4};
    root.push_back(readme);
    root.push_back(Entry{"SUB", 21, 2048, kDirectory});
    image.directory(20, root);
    std::vector<Entry> sub = DotEntries(21, 20);
    sub.push_back(Entry{"A.TXT;1", 31, 100});
    image.directory(21, sub);
    return image;
}

}  // namespace kel::diag::testing
