// The track-list operations against a scripted drive: an SptiDevice made the
// current device, a debug log of the test's own with debug mode on (so that
// every dump of a reply runs too), and the recovery waits counted.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diag/device/device_access.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/track_list.h"
#include "diag/fs/file_node.h"
#include "diag/tools/debug_log.h"
#include "drive_replies.h"
#include "tests/diag/device/spti_fixture.h"
#include "tests/diag/support/hand_built_tracks.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::testing {

class TrackListTest : public SptiFixture, protected HandBuiltTracks {
protected:
    void SetUp() override {
        SetDebugLogPath(folder_ / "TEST.DBG");
        logSwitches().debugMode = true;
        SetTrackInfoWaitClock(clock_);
    }
    void TearDown() override {
        ReleaseDiscInfo();
        SetCurrentDevice(nullptr);
        SetTrackInfoWaitClock(nullptr);
        logSwitches().debugMode = false;
        SetDebugLogPath({});
    }

    // The device is opened by each test, as an MMC or an older drive.
    void useMmc() {
        openMmc();
        SetCurrentDevice(device_.get());
    }
    void useScsi2() {
        openScsi2();
        SetCurrentDevice(device_.get());
    }

    void reply(Bytes data) { drive_->queue(ScriptedReply::good(std::move(data))); }
    void refuse() { drive_->queue(ScriptedReply::checkCondition(5, 0x24, 0)); }

    // The list in order, its back links checked on the way.
    std::vector<const TrackInfo*> records() const {
        std::vector<const TrackInfo*> list;
        const TrackInfo* prev = nullptr;
        for (const TrackInfo* r = Tracks().first; r; r = r->next) {
            EXPECT_EQ(r->prev, prev);
            list.push_back(r);
            prev = r;
        }
        EXPECT_EQ(Tracks().last, prev);
        return list;
    }

    std::vector<std::string> logLines() const {
        std::ifstream in(folder_ / "TEST.DBG", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<std::string> lines;
        std::string all = text.str();
        for (std::size_t at = 0; at < all.size();) {
            std::size_t end = all.find("\r\n", at);
            lines.push_back(all.substr(at, end - at));
            at = end == std::string::npos ? all.size() : end + 2;
        }
        return lines;
    }
    bool logged(const std::string& line) const {
        const auto lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // Byte 5 (the track) of each track-information command sent.
    std::vector<int> askedTracks() const {
        std::vector<int> asked;
        for (const auto& command : commands()) {
            if (command.cdb[0] == 0x52 || command.cdb[0] == 0xE5) {
                asked.push_back(command.cdb[5]);
            }
        }
        return asked;
    }

    test::TempFolder folder_;
    std::array<std::uint8_t, kReplyBufferBytes> buffer_{};
};

}  // namespace kel::diag::testing
