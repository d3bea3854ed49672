#include "emu/drive/command_table.h"

#include <algorithm>
#include <iterator>

#include "emu/drive/commands.h"

namespace kel::emu {

namespace {

using scsi::Direction;
using namespace command_flag;

enum class Availability { Both, Mmc, Scsi2, VendorCdda, VendorTrackInfo };

struct Row {
    CommandEntry entry;
    Availability availability;
};

constexpr unsigned kMedium = kNeedsMedium;
constexpr unsigned kAnytime = kIgnoresAttention;

// Sorted by opcode.
const Row kCommands[] = {
    {{0x00, 6, Direction::None, kMedium, testUnitReady}, Availability::Both},
    {{0x03, 6, Direction::In, kAnytime, requestSense}, Availability::Both},
    {{0x12, 6, Direction::In, kAnytime, inquiry}, Availability::Both},
    {{0x15, 6, Direction::Out, 0, modeSelect6}, Availability::Scsi2},
    {{0x1A, 6, Direction::In, 0, modeSense6}, Availability::Scsi2},
    {{0x1B, 6, Direction::None, 0, startStopUnit}, Availability::Both},
    {{0x1E, 6, Direction::None, 0, preventAllowRemoval}, Availability::Both},
    {{0x25, 10, Direction::In, kMedium, readCapacity}, Availability::Both},
    {{0x28, 10, Direction::In, kMedium, read10}, Availability::Both},
    {{0x2B, 10, Direction::None, kMedium, seek10}, Availability::Both},
    {{0x3E, 10, Direction::In, kMedium, readLong}, Availability::Scsi2},
    {{0x42, 10, Direction::In, kMedium, readSubChannel}, Availability::Both},
    {{0x43, 10, Direction::In, kMedium, readToc}, Availability::Both},
    {{0x44, 10, Direction::In, kMedium, readHeader}, Availability::Both},
    {{0x45, 10, Direction::None, kMedium, playAudio10}, Availability::Both},
    {{0x47, 10, Direction::None, kMedium, playAudioMsf}, Availability::Both},
    {{0x4B, 10, Direction::None, kMedium, pauseResume}, Availability::Both},
    {{0x4E, 10, Direction::None, kMedium, stopPlayScan}, Availability::Both},
    {{0x51, 10, Direction::In, kMedium, readDiscInformation}, Availability::Mmc},
    {{0x52, 10, Direction::In, kMedium, readTrackInformation}, Availability::Mmc},
    {{0x55, 10, Direction::Out, 0, modeSelect10}, Availability::Both},
    {{0x5A, 10, Direction::In, 0, modeSense10}, Availability::Both},
    {{0xA5, 12, Direction::None, kMedium, playAudio12}, Availability::Both},
    {{0xA8, 12, Direction::In, kMedium, read12}, Availability::Both},
    {{0xB9, 12, Direction::In, kMedium, readCdMsf}, Availability::Mmc},
    {{0xBB, 12, Direction::None, 0, setCdSpeed}, Availability::Mmc},
    {{0xBE, 12, Direction::In, kMedium, readCd}, Availability::Mmc},
    {{0xD8, 12, Direction::In, kMedium, vendorReadCdda}, Availability::VendorCdda},
    {{0xD9, 12, Direction::In, kMedium, vendorReadCddaMsf}, Availability::VendorCdda},
    {{0xE5, 10, Direction::In, kMedium, vendorTrackInformation}, Availability::VendorTrackInfo},
    {{0xE6, 12, Direction::In, kMedium, vendorNextWritable}, Availability::VendorTrackInfo},
};

bool available(Availability availability, const DriveDescription& drive) {
    const bool mmc = drive.personality == Personality::Mmc;
    switch (availability) {
        case Availability::Both:
            return true;
        case Availability::Mmc:
            return mmc;
        case Availability::Scsi2:
            return !mmc;
        case Availability::VendorCdda:
            return !mmc && drive.vendorCddaRead;
        case Availability::VendorTrackInfo:
            return !mmc && drive.vendorTrackInfo;
    }
    return false;
}

}  // namespace

const CommandEntry* findCommand(std::uint8_t opcode, const DriveDescription& drive) {
    auto row = std::lower_bound(std::begin(kCommands), std::end(kCommands), opcode,
                                [](const Row& r, std::uint8_t op) { return r.entry.opcode < op; });
    if (row == std::end(kCommands) || row->entry.opcode != opcode ||
        !available(row->availability, drive)) {
        return nullptr;
    }
    return &row->entry;
}

}  // namespace kel::emu
