// Discs made by mkdisc in the emulated drive, as the diagnostic program's
// tools meet them: an opened pass-through device as CurrentDevice, and the
// track list built from the disc's plan (the disc scan is not needed).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "diag/device/spti_device.h"
#include "diag/disc/track_info.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::diag::testing {

struct BuiltImage {
    std::filesystem::path cue;
    mkdisc::Recipe recipe;
    mkdisc::DiscPlan plan;
};

// Builds the disc of `recipe` (an mkdisc recipe text) once per process;
// null (with a failure recorded) when mkdisc fails.
const BuiltImage* BuildImage(const std::string& name, const std::string& recipe);

// A data disc of about 8800 blocks: README.TXT and BIG.BIN.
const BuiltImage* DataDisc();
// Data track 1 and a 30-second audio track 2.
const BuiltImage* MixedDisc();
// One 20-second audio track.
const BuiltImage* AudioDisc();

class EmulatedDiscTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Puts the image into drive D: with these descriptor sections (for
    // example "[faults]\nhard = 100\n") and makes the opened device current.
    void insert(const BuiltImage& image, const std::string& sections = "");
    // The track list of the disc as the disc scan would leave it.
    void buildTrackList(const BuiltImage& image);
    void clearTrackList();
    TrackInfo& track(std::size_t index) { return *records_.at(index); }

    SptiDevice& device() { return *device_; }
    // Ids of the messages shown since the test began.
    std::vector<int> messages;

    kel::test::TempFolder folder_;
    std::unique_ptr<SptiDevice> device_;
    std::vector<std::unique_ptr<TrackInfo>> records_;
};

}  // namespace kel::diag::testing
