// The track list from whatever a drive answers: READ TOC, disc and track
// information in either layout, any length, any claim. Every operation runs
// in the disc scan's order against a drive that plays the input's replies;
// the list that comes out must be whole and correctly linked.
//
// Input: one byte choosing the drive's track-information command (bits 0-1:
// READ TRACK INFORMATION, the older one-track and next-writable commands,
// none) and debug mode (bit 2), then one reply per command: a byte whose
// bit 0 says whether the command succeeds, two bytes of length, the data.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/disc/disc_info.h"
#include "diag/tools/debug_log.h"
#include "tests/diag/support/idle_device.h"
#include "tests/diag/support/no_wait_clock.h"

using namespace kel::diag;

namespace {

using testing::NoWaitClock;

// A drive that answers every command with the input's next reply.
class ReplyDrive final : public testing::IdleDevice {
public:
    explicit ReplyDrive(std::span<const std::uint8_t> input) : input_(input) {}

    std::string AddressName() const override { return "D:"; }
    bool Open() override { return false; }
    bool ReadToc(std::uint16_t, std::span<std::uint8_t> buffer) override { return play(buffer); }
    bool ReadSectors(std::uint32_t, std::span<std::uint8_t> buffer, std::uint32_t) override {
        return play(buffer);
    }
    bool ReadDiscInfo(std::span<std::uint8_t> buffer, std::uint16_t) override {
        return play(buffer);
    }
    std::string InterfaceName() const override { return "fuzz"; }
    bool TestUnitReady() override {
        std::array<std::uint8_t, 1> none{};
        return play(none);
    }
    bool Seek(std::uint32_t) override { return false; }

private:
    // Copies the reply's data (what the buffer can take) and gives its flag;
    // an exhausted input fails every command.
    bool play(std::span<std::uint8_t> buffer) {
        if (input_.size() < 3) {
            input_ = {};
            return false;
        }
        const bool ok = (input_[0] & 0x01) != 0;
        const std::size_t length =
            std::min(static_cast<std::size_t>((input_[1] << 8) | input_[2]), input_.size() - 3);
        std::copy_n(input_.begin() + 3, std::min(length, buffer.size()), buffer.begin());
        input_ = input_.subspan(3 + length);
        return ok;
    }

    std::span<const std::uint8_t> input_;
};

// Every link both ways, first and last at the ends.
void checkList() {
    const TrackList& list = Tracks();
    const TrackInfo* prev = nullptr;
    for (const TrackInfo* r = list.first; r; r = r->next) {
        if (r->prev != prev) {
            __builtin_trap();
        }
        prev = r;
    }
    if (list.last != prev) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool once = [] {
        SetDatabaseFileName({});
        SetDebugLogPath("/dev/null");
        SetTrackInfoWaitClock(std::make_shared<NoWaitClock>());
        return true;
    }();
    (void)once;
    if (size == 0) {
        return 0;
    }
    constexpr std::uint8_t kCommands[] = {0x52, 0xE5, 0xE6, 0x00};
    ReplyDrive drive(std::span<const std::uint8_t>(data + 1, size - 1));
    drive.profile->TrkInfo = kCommands[data[0] & 0x03];
    logSwitches().debugMode = (data[0] & 0x04) != 0;
    SetCurrentDevice(&drive);

    std::array<std::uint8_t, kReplyBufferBytes> buffer{};
    if (ReadTocTracks(buffer)) {
        checkList();
        if (!CompleteTracksMmc(buffer)) {
            checkList();
            CompleteTracksOld(buffer);
        }
    } else {
        ReadDiscInfoTracks(buffer);
    }
    checkList();
    LogTrackList();
    ReleaseDiscInfo();
    if (Tracks().first || Tracks().last) {
        __builtin_trap();
    }
    SetCurrentDevice(nullptr);
    return 0;
}
