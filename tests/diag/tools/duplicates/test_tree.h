// A one-track disc whose file tree a test builds entry by entry, with the
// track list, the options and an in-memory drive set up around it, and the
// debug log and status texts caught for inspection.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"
#include "tests/diag/support/memory_device.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::testing {

inline constexpr std::uint16_t kScanFlag = 4;
inline constexpr std::uint16_t kDirFlag = 1;
inline constexpr std::uint16_t kPiecesFlag = 16;

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A root for `track` (its first call: the test's own track).
    FileNode& Root(TrackInfo& track);
    FileNode& root() { return *track_.root; }
    // Appends an entry to `parent`'s list.
    FileNode& Add(FileNode& parent, std::string_view name, std::int32_t start, std::uint32_t size,
                  std::uint16_t flags = 0, std::uint32_t fileEntry = 0);
    FileNode& AddDir(FileNode& parent, std::string_view name, std::int32_t start,
                     std::uint16_t flags = 0) {
        return Add(parent, name, start, 2048, static_cast<std::uint16_t>(flags | kDirFlag));
    }
    // The names of `directory`'s entries, in list order.
    static std::vector<std::string> Names(const FileNode& directory);
    static FileNode* Find(const FileNode& directory, std::string_view name);

    std::vector<std::string> LogLines() const;
    // Debug-log lines that begin with `prefix`.
    std::vector<std::string> LogLinesStartingWith(std::string_view prefix) const;

    kel::test::TempFolder folder_;
    TrackInfo track_;
    TrackInfo second_;
    MemoryDevice device_{400};
    std::vector<std::string> statusTexts_;
    std::vector<int> messages_;
};

}  // namespace kel::diag::testing

namespace kel::diag::testing {

// One allocation descriptor: bytes, partition-relative block and extent
// type (3 continues the descriptors in the block given).
struct TestDescriptor {
    std::uint32_t bytes = 0;
    std::uint32_t position = 0;
    std::uint32_t type = 0;
};

// Descriptor forms as the ICB flags give them.
enum TestForm : std::uint16_t { kShort = 0, kLong = 1, kExtended = 2, kEmbedded = 3 };

// A file entry (tag 261) with these descriptors after `attributes` bytes of
// extended attributes.
void WriteFileEntry(std::span<std::uint8_t, 2048> block, TestForm form,
                    const std::vector<TestDescriptor>& descriptors, std::uint32_t attributes = 0);
// A block of further descriptors (tag 258), short form unless told.
void WriteAllocationExtent(std::span<std::uint8_t, 2048> block,
                           const std::vector<TestDescriptor>& descriptors, TestForm form = kShort);

}  // namespace kel::diag::testing
