// Track lists and trees built by hand over a drive of blocks in memory, for
// the analysis: messages are recorded instead of shown, the manufacturer
// file lies in the test's own folder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/manufacturer_file.h"
#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/hand_built_tracks.h"
#include "tests/diag/support/memory_device.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::testing {

class AnalysisTest : public ::testing::Test, protected HandBuiltTracks {
protected:
    void SetUp() override {
        Options() = OptionsBlock{};
        SetCurrentDevice(&drive_);
        SetManufacturerFilePath(folder_ / "TEST.mandb");
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages_.push_back({id, text});
            return answer::kOk;
        });
        StartAnalysisLines();
    }
    void TearDown() override {
        FreeTrackRecords();
        SetCurrentDevice(nullptr);
        SetManufacturerFilePath({});
        SetMessageResponder({});
    }

    // The analysis looks at where files start, never at their sizes.
    FileNode* node(TrackInfo& track, FileNode* parent, const std::string& name,
                   std::int32_t startBlock, bool directory = false) {
        return HandBuiltTracks::node(track, parent, name, startBlock, 0, directory);
    }
    // A directory's "." and ".." entries as the ISO reader stores them.
    void dots(TrackInfo& track, FileNode* directory) {
        node(track, directory, "", track.start + 20, true);
        node(track, directory, "\1", track.start + 20, true);
    }

    void writeManufacturerFile(const std::string& text) {
        std::ofstream(folder_ / "TEST.mandb", std::ios::binary) << text;
    }

    std::vector<int> lineIds() const {
        std::vector<int> ids;
        for (const AnalysisLine& line : AnalysisLines()) {
            ids.push_back(line.id);
        }
        return ids;
    }
    bool hasLine(int id) const {
        const auto ids = lineIds();
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }
    std::string lineText(int id) const {
        for (const AnalysisLine& line : AnalysisLines()) {
            if (line.id == id) {
                return line.text;
            }
        }
        return "(no line " + std::to_string(id) + ")";
    }
    std::vector<std::string> lineTexts(int id) const {
        std::vector<std::string> texts;
        for (const AnalysisLine& line : AnalysisLines()) {
            if (line.id == id) {
                texts.push_back(line.text);
            }
        }
        return texts;
    }
    std::vector<int> messageIds() const {
        std::vector<int> ids;
        for (const auto& message : messages_) {
            ids.push_back(message.first);
        }
        return ids;
    }

    test::TempFolder folder_;
    MemoryDevice drive_{400000};
    std::vector<std::pair<int, std::string>> messages_;
};

}  // namespace kel::diag::testing
