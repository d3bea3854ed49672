#include <cerrno>

#include "diag/device/device_database.h"
#include "diag/device/medium_class.h"
#include "diag/device/spti_device.h"

namespace kel::diag {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kInquiryBytes = 255;
constexpr std::size_t kModeSenseBytes = 1024;
constexpr std::size_t kWorkBytes = 2048;
// Resends of the opening MODE SENSE after a unit attention, a drive that
// is becoming ready, or a switch to the 10-byte command.
constexpr int kModeSenseResends = 5;

bool accessDenied(int code) {
    return code == EACCES || code == EPERM;
}

// Vendor and product identification as one text: trailing blanks removed,
// runs of blanks made one. Bytes that are no printable ASCII become blanks,
// so that a drive's garbage cannot reach the database's line structure.
std::string describeInquiry(std::span<const std::uint8_t> inquiry) {
    std::string raw;
    for (std::size_t i = 8; i < 32; ++i) {
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

bool SptiDevice::Open() {
    OpenFailure failure;
    transport_ = access_->openLetter(static_cast<char>(driveLetter), failure);
    if (!transport_) {
        if (accessDenied(failure.code)) {
            show(3012, {failure.devicePath});
        } else {
            show(3011, {failure.devicePath, failure.text, std::int64_t{failure.code}});
        }
        return false;
    }
    std::array<std::uint8_t, kInquiryBytes> inquiry{};
    if (!Inquiry(inquiry)) {
        // A device node that opened read-only may still refuse the command.
        if (accessDenied(lastTransportCode_)) {
            show(3012, {failure.devicePath});
        }
        return false;
    }
    DeviceProfile& p = *profile;
    p.resetToDefaults();
    if ((inquiry[2] & 0x07) == 0) {
        atapi = 1;
        p.Mode10 = 1;
    }
    p.name = describeInquiry(inquiry);
    if (debugLevel > 0) {
        log("CD Device: %s at %c", p.name.c_str(), driveLetter);
    }
    p.TrkInfo = 0xFF;
    p.ModeLen = 1;
    p.SubQVal = 2;
    if (!LoadProfile(p)) {
        return false;
    }
    if (readModePages()) {
        applyProfileDefaults();
        classifyMedium();
    }
    return true;
}

bool SptiDevice::readModePages() {
    std::vector<std::uint8_t> data(kModeSenseBytes);
    SptiRequest request;
    for (int resends = 0;; ++resends) {
        bool tenByte = profile->Mode10 != 0;
        request = SptiRequest{modeSenseCommand(tenByte, 0x3F, tenByte ? kModeSenseBytes : 255),
                              scsi::Direction::In,
                              data,
                              {}};
        // Decided on this command's own sense, not the stored one of an
        // earlier command, and resent a bounded number of times.
        if (ExecuteCommand(request, false)) {
            break;
        }
        const scsi::Sense& sense = request.result.sense;
        bool checked = request.result.checkCondition();
        if (checked && sense.asc() == 0x3A) {
            return false;
        }
        bool again = false;
        if (checked && sense.key() == 6 && sense.asc() == 0x28 && sense.ascq() == 0) {
            wait(500ms);
            again = true;
        } else if (checked && sense.key() == 2 && sense.asc() == 0x04) {
            wait(250ms);
            again = true;
        } else if (checked && sense.key() == 5 && sense.asc() == 0x20 && !tenByte) {
            if (debugLevel > 0) {
                log("Mode select command %x failed, changing to 10-byte cmd", request.cdb.opcode());
            }
            profile->Mode10 = 1;
            profile->modified = 1;
            again = true;
        }
        if (!again || resends == kModeSenseResends) {
            if (debugLevel > 0) {
                log("Mode sense cmd %x for 0x3f failed: %x %s", request.cdb.opcode(),
                    request.result.status, senseStringOf(sense.asc(), sense.ascq()).c_str());
            }
            return false;
        }
    }
    std::optional<ModeSense> sense =
        parseModeSense(request.returned(), request.cdb.opcode() == opcode::kModeSense10);
    if (!sense) {
        return false;
    }
    if (sense->blockLength) {
        blockLength = static_cast<std::int16_t>(*sense->blockLength);
    }
    mediumClass = sense->mediumType;
    forEachModePage(*sense, [this](std::uint8_t code, std::span<const std::uint8_t> page) {
        useModePage(code, page);
    });
    if (debugLevel > 0) {
        dump(sense->data, "CD device mode parameters");
    }
    return true;
}

void SptiDevice::useModePage(std::uint8_t code, std::span<const std::uint8_t> page) {
    DeviceProfile& p = *profile;
    std::size_t pageLength = page[1];
    auto byteAt = [&page](std::size_t i) -> std::optional<std::uint8_t> {
        return i < page.size() ? std::optional<std::uint8_t>(page[i]) : std::nullopt;
    };
    auto speedFrom = [&](std::size_t i) {
        if (auto value = byteAt(i)) {
            defaultSpeed = *value;
        }
    };
    switch (code) {
        case 0x01:
            if (auto density = byteAt(4)) {
                densityCode = *density;
            }
            if (pageLength >= 11) {
                blockLength = static_cast<std::int16_t>(Swap16(page.subspan<10, 2>()));
            }
            break;
        case 0x05:
            writer = 1;
            break;
        case 0x0D:
            if (auto value = byteAt(3)) {
                page0dByte3 = *value & 0x0F;
            }
            break;
        case 0x0F:
            if (p.SpeedCode == 4) {
                speedFrom(2);
            }
            break;
        case 0x20:
            if (p.SpeedCode == 2) {
                speedFrom(2);
            }
            break;
        case 0x23:
            if (p.SpeedCode == 5) {
                speedFrom(4);
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
        case 0x31:
            if (p.SpeedCode == 1 || p.SpeedCode == 3 || p.SpeedCode == 6) {
                speedFrom(2);
            }
            break;
        default:
            break;
    }
}

void SptiDevice::applyProfileDefaults() {
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
    } else {
        p.TrkInfo = 0xE5;
        p.CDDACmd = 0xD9;
        p.CDDALen = 12;
        p.CDDAMSF = 1;
        p.SpeedCode = 1;
    }
    if (p.MechType == 1) {
        p.LoadDisc = 1;
    }
    p.LoadEj = opcode::kStartStopUnit;
}

void SptiDevice::classifyMedium() {
    if (mediumClass >= medium_class::kRecordable || !TestUnitReady()) {
        return;
    }
    std::vector<std::uint8_t> work(kWorkBytes);
    // The last reply, as far as the drive returned it.
    auto reply = [&](std::size_t returned) {
        return std::span<const std::uint8_t>(work).first(std::min(returned, work.size()));
    };
    auto dumpReply = [&](std::span<const std::uint8_t> data, std::string_view title) {
        if (debugLevel > 0) {
            dump(data.first(std::min<std::size_t>(data.size(), replyLengthField(data) + 2u)),
                 title);
        }
    };
    if (ReadDiscInfo(work, 0)) {
        auto data = reply(lastReturned_);
        if (replyLengthField(data) < 256) {
            dumpReply(data, "Disc Information");
        }
        mediumClass = classifyDiscInformation(mediumClass, data);
    }
    if (mediumClass < medium_class::kRecordable && ReadToc(0x400, work)) {
        auto data = reply(lastReturned_);
        dumpReply(data, "ATIP Data");
        mediumClass = classifyAtip(mediumClass, data);
    }
    if (mediumClass < medium_class::kRecordable) {
        if (!ReadToc(0x000, work)) {
            mediumClass |= medium_class::kRecordable;
        } else {
            auto data = reply(lastReturned_);
            dumpReply(data, "TOC Mode 0");
            mediumClass = classifyToc(mediumClass, data);
        }
    }
    if (mediumClass < medium_class::kRecordable && ReadToc(0x200, work)) {
        auto data = reply(lastReturned_);
        dumpReply(data, "TOC Mode 2");
        mediumClass = classifyFullToc(mediumClass, data);
    }
}

}  // namespace kel::diag
