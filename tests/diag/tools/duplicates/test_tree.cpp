#include "test_tree.h"

#include <filesystem>
#include <fstream>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/messages.h"

namespace kel::diag::testing {

void TreeTest::SetUp() {
    Options() = OptionsBlock{};
    Options().tempPath = (folder_ / "temp").string() + "/";
    std::filesystem::create_directories(folder_ / "temp");
    SetDebugLogPath(folder_ / "debug.log");
    logSwitches().debugMode = true;
    SetPaneHooks({[this](std::string_view text) { statusTexts_.emplace_back(text); }, {}});
    SetMessageResponder([this](int id, std::uint16_t, const std::string&) {
        messages_.push_back(id);
        return answer::kOk;
    });
    SetCurrentDevice(&device_);
    track_.track = 1;
    track_.session = 1;
    // A 93-minute disc: blocks past 340000 are data too.
    track_.end = 418500;
    track_.control = 0x14;
    Root(track_);
    Tracks() = TrackList{&track_, &track_};
}

void TreeTest::TearDown() {
    for (TrackInfo* track : {&track_, &second_}) {
        FreeFileTree(track->root);
        TrackedFree(track->extentTable, __FILE__, __LINE__);
        *track = TrackInfo{};
    }
    Tracks() = TrackList{};
    SetCurrentDevice(nullptr);
    SetMessageResponder({});
    SetPaneHooks({});
    logSwitches().debugMode = false;
    SetDebugLogPath({});
    Options() = OptionsBlock{};
}

FileNode& TreeTest::Root(TrackInfo& track) {
    FileNode* root = NewFileNode("\\ VOLUME (Session 1)", true, __FILE__, __LINE__);
    root->track = &track;
    root->flags = kDirFlag;
    root->startBlock = 260;
    root->size = 2048;
    track.root = root;
    return *root;
}

FileNode& TreeTest::Add(FileNode& parent, std::string_view name, std::int32_t start,
                        std::uint32_t size, std::uint16_t flags, std::uint32_t fileEntry) {
    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    node->parent = &parent;
    node->track = parent.track;
    node->startBlock = start;
    node->size = size;
    node->flags = flags;
    node->reserved1 = fileEntry;
    FileNode** link = &parent.firstChild;
    FileNode* previous = nullptr;
    while (*link != nullptr) {
        previous = *link;
        link = &(*link)->next;
    }
    *link = node;
    node->previous = previous;
    return *node;
}

std::vector<std::string> TreeTest::Names(const FileNode& directory) {
    std::vector<std::string> names;
    for (const FileNode* entry = directory.firstChild; entry != nullptr; entry = entry->next) {
        names.emplace_back(entry->name);
    }
    return names;
}

FileNode* TreeTest::Find(const FileNode& directory, std::string_view name) {
    for (FileNode* entry = directory.firstChild; entry != nullptr; entry = entry->next) {
        if (name == entry->name) {
            return entry;
        }
    }
    return nullptr;
}

std::vector<std::string> TreeTest::LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ / "debug.log");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> TreeTest::LogLinesStartingWith(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : LogLines()) {
        if (line.starts_with(prefix)) {
            found.push_back(line);
        }
    }
    return found;
}

}  // namespace kel::diag::testing

namespace kel::diag::testing {
namespace {

void Put32(std::span<std::uint8_t, 2048> block, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        block[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Writes the descriptors from `at`; gives their length in bytes.
std::uint32_t PutDescriptors(std::span<std::uint8_t, 2048> block, std::size_t at, TestForm form,
                             const std::vector<TestDescriptor>& descriptors) {
    const std::size_t size = form == kShort ? 8 : form == kLong ? 16 : 20;
    const std::size_t position = form == kExtended ? 12 : 4;
    for (const TestDescriptor& d : descriptors) {
        Put32(block, at, d.bytes | d.type << 30);
        Put32(block, at + position, d.position);
        at += size;
    }
    return static_cast<std::uint32_t>(descriptors.size() * size);
}

}  // namespace

void WriteFileEntry(std::span<std::uint8_t, 2048> block, TestForm form,
                    const std::vector<TestDescriptor>& descriptors, std::uint32_t attributes) {
    std::fill(block.begin(), block.end(), 0);
    block[0] = 261 & 0xFF;
    block[1] = 261 >> 8;
    block[34] = form;
    Put32(block, 168, attributes);
    Put32(block, 172, PutDescriptors(block, 176 + attributes, form, descriptors));
}

void WriteAllocationExtent(std::span<std::uint8_t, 2048> block,
                           const std::vector<TestDescriptor>& descriptors, TestForm form) {
    std::fill(block.begin(), block.end(), 0);
    block[0] = 258 & 0xFF;
    block[1] = 258 >> 8;
    PutDescriptors(block, 24, form, descriptors);
}

}  // namespace kel::diag::testing
