// A small mixed-mode disc written into a temporary folder, and an emulated
// drive over it with a clock the test moves by hand.
//
// Disc layout (LBA):
//   track 1  mode 1 data   0 .. 299   (cooked 2048-byte image, byte = lba & 0xFF)
//   track 2  audio         pregap 300 .. 449 (not stored), index 1 at 450,
//                          index 2 at 600, end 900 (raw image, byte = (lba * 7) & 0xFF)
//   lead-out 900
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "emu/drive/clock.h"
#include "emu/drive/drive_model.h"

namespace kel::emu::test {

class ManualClock final : public Clock {
public:
    std::int64_t nowMs() const override { return now; }
    void wait(std::int64_t ms) const override {
        now += ms;
        waited += ms;
    }
    mutable std::int64_t now = 1'000'000;
    mutable std::int64_t waited = 0;
};

// Long enough for any command of a drive that nothing else holds.
inline constexpr std::chrono::milliseconds kCommandTimeout{10000};

struct Reply {
    scsi::Result result;
    std::vector<std::uint8_t> data;  // the buffer, cut to `transferred`

    bool good() const { return result.ok(); }
    bool senseIs(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) const {
        return result.checkCondition() && result.sense.key() == key && result.sense.asc() == asc &&
               result.sense.ascq() == ascq;
    }
};

inline constexpr std::int32_t kDataEnd = 300;
inline constexpr std::int32_t kAudioPregap = 300;
inline constexpr std::int32_t kAudioStart = 450;
inline constexpr std::int32_t kAudioIndex2 = 600;
inline constexpr std::int32_t kLeadOut = 900;

std::uint8_t dataByte(std::int32_t lba);
std::uint8_t audioByte(std::int32_t lba);

class DriveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The disc above with the drive description `drive`.
    LoadedDrive mixedDisc(DriveDescription drive = {}) const;
    std::unique_ptr<DriveModel> open(LoadedDrive loaded, const std::string& identity = "disc-1");
    // Opens the mixed disc with a description and keeps it as `drive`.
    void useDrive(DriveDescription description = {});

    Reply in(std::vector<std::uint8_t> cdb, std::size_t size);
    Reply in(DriveModel& model, std::vector<std::uint8_t> cdb, std::size_t size);
    Reply none(std::vector<std::uint8_t> cdb);
    Reply out(std::vector<std::uint8_t> cdb, std::vector<std::uint8_t> data);

    std::filesystem::path folder;
    ManualClock clock;
    std::unique_ptr<DriveModel> drive;
};

// CDB builders for the commands most tests send.
std::vector<std::uint8_t> read10(std::uint32_t lba, std::uint16_t count);
std::vector<std::uint8_t> readCd(std::uint32_t lba, std::uint32_t count, std::uint8_t flags,
                                 std::uint8_t subChannel = 0, std::uint8_t expectedType = 0);
std::vector<std::uint8_t> modeSense10(std::uint8_t pageByte, std::uint16_t allocation,
                                      bool noDescriptors = true);

}  // namespace kel::emu::test
