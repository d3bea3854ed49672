// Live compare tests: the real drive server KELCD32 over emulated drives
// holding discs built by mkdisc, and copies of them with planted faults.
//
// Each case sets its own drives; the process's drive table is read again.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/common/kelcd.h"
#include "tests/frontend/common/temp_folder.h"
#include "tests/support/live_server.h"

namespace kel::compare::testing {

namespace fs = std::filesystem;

// A byte change to a BIN: the byte at LBA and offset is XORed with the mask.
struct Patch {
    std::int32_t lba;
    std::size_t offset;
    std::uint8_t mask = 0xFF;
};

class LiveCompare : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds a one-track data disc (mode 1 or 2) named `name`; returns its
    // descriptor.
    fs::path buildData(const std::string& name, int mode, const std::string& volumeId);
    // A disc whose BIN is `from`'s with the patches applied, and with
    // `faults` (a descriptor [faults] body) when given.
    fs::path copyOf(const std::string& from, const std::string& name,
                    const std::vector<Patch>& patches, const std::string& faults = "");
    // Patches the BIN of disc `name` in place (before the server starts).
    void patch(const std::string& name, const std::vector<Patch>& patches);
    // The lead-out of a built disc.
    std::int32_t leadOut(const std::string& name) const { return leadOuts_.at(name); }

    // Starts the server over the letters and waits for the handshake and the
    // drive list; false when that failed.
    [[nodiscard]] bool start(const std::map<char, fs::path>& letters);
    // Runs the event loop until `done` or the timeout.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20));

    fs::path discs_;
    std::unique_ptr<frontend::Tkelcd> client_;

private:
    std::optional<kel::test::LiveCase> case_;
    std::map<std::string, std::int32_t> leadOuts_;
    std::map<std::string, int> modes_;
};

}  // namespace kel::compare::testing
