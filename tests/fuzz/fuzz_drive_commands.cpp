// CDBs and MODE SELECT lists are outside bytes too: a program may send the
// emulated drive anything. Each input is a run of commands against a small
// mixed-mode disc with injected faults, in one of the two personalities;
// no command may crash, hang, or move more bytes than the host's buffer has.
//
// Input: byte 0 picks the personality (bit 0) and a pressed or an open
// recordable disc (bit 1); then records of 20 bytes: CDB length
// selector, direction, buffer size (2 bytes), 16 CDB bytes. Data-out buffers
// repeat the CDB bytes, so MODE SELECT lists are fuzzed with the rest.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "emu/drive/clock.h"
#include "emu/drive/drive_model.h"

namespace {

using namespace kel::emu;

// Each reading is 40 ms after the last, so that audio play moves.
class SteppingClock final : public Clock {
public:
    std::int64_t nowMs() const override { return now += 40; }
    void wait(std::int64_t) const override {}
    mutable std::int64_t now = 0;
};

const std::filesystem::path& folder() {
    static const std::filesystem::path path = [] {
        // One fixed folder, rewritten by each run, so that runs leave no litter.
        auto dir = std::filesystem::temp_directory_path() / "kel-fuzz-drive";
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "data.bin", std::ios::binary) << std::string(20 * 2048, '\x11');
        std::ofstream(dir / "audio.bin", std::ios::binary) << std::string(20 * 2352, '\x22');
        std::ofstream(dir / "disc.sub", std::ios::binary) << std::string(30 * 96, '\x5C');
        return dir;
    }();
    return path;
}

LoadedDrive smallDisc(bool older, bool recordable) {
    LoadedDrive loaded;
    loaded.drive.personality = older ? Personality::Scsi2 : Personality::Mmc;
    loaded.drive.vendorCddaRead = older;
    loaded.drive.vendorTrackInfo = older;
    loaded.drive.faults.hard = {{3, 4}};
    loaded.drive.faults.marginal = {{6, 7}};
    loaded.drive.faults.other = {{30, 31}};
    Disc& disc = loaded.disc;
    disc.files = {folder() / "data.bin", folder() / "audio.bin"};
    Track data;
    data.end = data.storedTo = 20;
    Track audio;
    audio.number = 2;
    audio.format = SectorFormat::Audio;
    audio.control = 0;
    audio.pregapStart = 20;
    audio.start = audio.storedFrom = 25;
    audio.end = audio.storedTo = 45;
    audio.storage = StorageFormat::Raw2352;
    audio.file = 1;
    audio.furtherIndexes = {30};
    disc.tracks = {data, audio};
    disc.leadOut = 45;
    describeSessions(disc);
    if (recordable) {
        // An open CD-RW: the last track is written up to LBA 40.
        disc.medium = Medium::CdRw;
        disc.status = DiscStatus::Incomplete;
        disc.lastSession = SessionState::Incomplete;
        disc.sessions.back().state = SessionState::Incomplete;
        disc.nextWritable = 40;
        disc.unwritten = {{40, 44}, {18, 19}};
        disc.subchannelFile = folder() / "disc.sub";
    }
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const auto statePath = folder() / "drive.state";
    std::filesystem::remove(statePath);
    std::string error;
    auto stateFile = StateFile::open(statePath, error);
    if (!stateFile) {
        __builtin_trap();
    }
    static const SteppingClock clock;
    DriveModel drive(smallDisc((data[0] & 1) != 0, (data[0] & 2) != 0), "fuzz",
                     std::move(*stateFile), clock);
    static const std::size_t kLengths[] = {6, 10, 12, 16};
    constexpr std::size_t kRecord = 20;
    for (std::size_t at = 1; at + kRecord <= size; at += kRecord) {
        const std::uint8_t* record = data + at;
        const std::vector<std::uint8_t> cdb(record + 4, record + 4 + kLengths[record[0] & 3]);
        const auto direction = static_cast<kel::scsi::Direction>(record[1] % 3);
        const std::size_t bufferSize = (std::size_t(record[2]) << 8 | record[3]) % 8192;
        std::vector<std::uint8_t> buffer(bufferSize);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            buffer[i] = record[4 + i % 16];
        }
        const kel::scsi::Result result =
            drive.execute(cdb, direction, buffer, std::chrono::seconds(10));
        if (result.transferred > buffer.size()) {
            __builtin_trap();
        }
    }
    return 0;
}
