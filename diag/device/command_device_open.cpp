#include <algorithm>

#include "diag/device/command_device.h"
#include "diag/device/device_database.h"
#include "diag/device/medium_class.h"

namespace kel::diag {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kWorkBytes = 2048;
// Resends of the opening MODE SENSE after a unit attention, a drive that
// is becoming ready, or a switch to the 10-byte command.
constexpr int kModeSenseResends = 5;

// Vendor and product identification as one text: trailing blanks removed,
// runs of blanks made one. Bytes that are no printable ASCII become blanks,
// so that a drive's garbage cannot reach the database's line structure.
std::string describeInquiry(std::span<const std::uint8_t> inquiry) {
    std::string raw;
    for (std::size_t i = 8; i < 32 && i < inquiry.size(); ++i) {
        char c = static_cast<char>(inquiry[i]);
        raw += (c > ' ' && c < 0x7F) ? c : ' ';
        if (i == 15) {
            raw += ' ';
        }
    }
    std::string name;
    for (char c : raw) {
        if (c != ' ' || (!name.empty() && name.back() != ' ')) {
            name += c;
        }
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name.substr(0, DeviceProfile::kMaxNameLength);
}

}  // namespace

bool CommandDevice::openWithInquiry(std::span<const std::uint8_t> inquiry) {
    DeviceProfile& p = *profile;
    p.resetToDefaults();
    if ((inquiry[2] & 0x07) == 0) {
        atapi = 1;
        p.Mode10 = 1;
    }
    p.name = describeInquiry(inquiry);
    if (debugLevel > 0) {
        log("CD Device: %s at %s", p.name.c_str(), logAddress().c_str());
    }
    p.TrkInfo = 0xFF;
    p.ModeLen = 1;
    p.SubQVal = 2;
    if (!LoadProfile(p)) {
        return false;
    }
    // A drive that refuses MODE SENSE still needs the commands the
    // defaults name: without them eject and track information would send
    // empty command bytes.
    const bool modeData = readModePages();
    applyProfileDefaults();
    if (modeData) {
        classifyMedium();
    }
    return true;
}

bool CommandDevice::readModePages() {
    std::vector<std::uint8_t> data(dialect_.modeSenseBytes);
    DeviceCommand command;
    for (int resends = 0;; ++resends) {
        bool tenByte = profile->Mode10 != 0;
        command =
            DeviceCommand{modeSenseCommand(tenByte, 0x3F, tenByte ? dialect_.modeSenseBytes : 255),
                          scsi::Direction::In,
                          data,
                          {}};
        // Decided on this command's own sense, not the stored one of an
        // earlier command, and resent a bounded number of times.
        if (ExecuteCommand(command, false)) {
            break;
        }
        const CommandEnd& end = command.end;
        if (end.hasSense && end.senseAsc == 0x3A) {
            return false;
        }
        std::uint8_t key = end.senseKey & 0x0F;
        bool again = false;
        if (end.hasSense && key == 6 && end.senseAsc == 0x28 && end.senseAscq == 0) {
            wait(500ms);
            again = true;
        } else if (end.hasSense && key == 2 && end.senseAsc == 0x04) {
            wait(250ms);
            again = true;
        } else if (end.hasSense && key == 5 && end.senseAsc == 0x20 && !tenByte) {
            if (debugLevel > 0) {
                log("Mode select command %x failed, changing to 10-byte cmd", command.cdb.opcode());
            }
            profile->Mode10 = 1;
            profile->modified = 1;
            again = true;
        }
        if (!again || resends == kModeSenseResends) {
            if (debugLevel > 0) {
                log("Mode sense cmd %x for 0x3f failed: %x %s", command.cdb.opcode(), end.status,
                    senseStringOf(end.senseAsc, end.senseAscq).c_str());
            }
            return false;
        }
    }
    std::optional<ModeSense> sense =
        parseModeSense(command.returned(), command.cdb.opcode() == opcode::kModeSense10);
    if (!sense) {
        return false;
    }
    if (sense->blockLength) {
        blockLength = static_cast<std::int16_t>(*sense->blockLength);
    }
    mediumClass = sense->mediumType;
    beginPageWalk();
    forEachModePage(*sense, [this](std::uint8_t code, std::span<const std::uint8_t> page) {
        useModePage(code, page);
    });
    endPageWalk();
    if (debugLevel > 0) {
        dump(sense->data, "CD device mode parameters");
    }
    return true;
}

void CommandDevice::useModePage(std::uint8_t code, std::span<const std::uint8_t> page) {
    DeviceProfile& p = *profile;
    std::size_t pageLength = page[1];
    switch (code) {
        case 0x01:
            if (page.size() > 4) {
                densityCode = page[4];
            }
            if (pageLength >= 11) {
                blockLength = static_cast<std::int16_t>(Swap16(page.subspan<10, 2>()));
            }
            break;
        case 0x05:
            writer = 1;
            break;
        case 0x0D:
            if (page.size() > 3) {
                page0dByte3 = page[3] & 0x0F;
            }
            break;
        case 0x2A:
            if (pageLength >= 5) {
                p.mmcCdda = page[5] & 0x01;
                p.accurateStream = (page[5] >> 1) & 0x01;
                p.SubRWAvail = (page[5] >> 2) & 0x01;
                p.SubRWDe = (page[5] >> 3) & 0x01;
                p.MechType = page[6] >> 5;
            }
            hasCapabilitiesPage = 1;
            capabilitiesPage.fill(0);
            std::copy_n(page.begin(), std::min({pageLength, capabilitiesPage.size(), page.size()}),
                        capabilitiesPage.begin());
            break;
        default:
            break;
    }
    if (code == 0x0F || code == 0x20 || code == 0x23 || code == 0x2A || code == 0x31) {
        useSpeedPage(code, page);
    }
}

void CommandDevice::applyProfileDefaults() {
    DeviceProfile& p = *profile;
    if (p.TrkInfo != 0xFF) {
        return;
    }
    if (p.mmcCdda) {
        p.RawCmd = opcode::kReadCd;
        p.TrkInfo = opcode::kReadTrackInformation;
        p.CDDACmd = opcode::kReadCd;
        p.CDDALen = 12;
        p.CDDAScan = 1;
        p.Raw = 1;
        // READ CD returns CD-DA samples in the disc's own order, little-endian;
        // a database entry for a drive that swaps them says so in its place.
        p.CDDALE = 1;
    } else {
        p.TrkInfo = 0xE5;
        p.CDDACmd = 0xD9;
        p.CDDALen = 12;
        p.CDDAMSF = 1;
    }
    if (p.MechType == 1) {
        p.LoadDisc = 1;
    }
    p.LoadEj = opcode::kStartStopUnit;
}

void CommandDevice::classifyMedium() {
    if (mediumClass >= medium_class::kRecordable || !TestUnitReady()) {
        return;
    }
    std::vector<std::uint8_t> work(kWorkBytes);
    // The last reply, as far as the drive returned it.
    auto reply = [&] {
        return std::span<const std::uint8_t>(work).first(std::min(lastReturned_, work.size()));
    };
    auto dumpReply = [&](std::span<const std::uint8_t> data, std::string_view title) {
        if (debugLevel > 0) {
            dump(data.first(std::min<std::size_t>(data.size(), replyLengthField(data) + 2u)),
                 title);
        }
    };
    if (ReadDiscInfo(work, 0)) {
        auto data = reply();
        if (replyLengthField(data) < 256) {
            dumpReply(data, "Disc Information");
        }
        mediumClass = classifyDiscInformation(mediumClass, data);
    }
    if (mediumClass < medium_class::kRecordable && ReadToc(0x400, work)) {
        auto data = reply();
        dumpReply(data, "ATIP Data");
        mediumClass = classifyAtip(mediumClass, data);
    }
    if (mediumClass < medium_class::kRecordable) {
        if (!ReadToc(0x000, work)) {
            mediumClass |= medium_class::kRecordable;
        } else {
            auto data = reply();
            dumpReply(data, "TOC Mode 0");
            mediumClass = classifyToc(mediumClass, data);
        }
    }
    if (mediumClass < medium_class::kRecordable && ReadToc(0x200, work)) {
        auto data = reply();
        dumpReply(data, "TOC Mode 2");
        mediumClass = classifyFullToc(mediumClass, data);
    }
}

}  // namespace kel::diag
