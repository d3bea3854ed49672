#include "tools/mkdisc/descriptor_text.h"

#include <cstdio>
#include <vector>

namespace kel::mkdisc {

namespace {

std::string hexByte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string rangeList(const std::vector<emu::LbaRange>& ranges) {
    std::string list;
    for (const emu::LbaRange& range : ranges) {
        list += (list.empty() ? "" : ", ") + std::to_string(range.first);
        if (range.last != range.first) {
            list += "-" + std::to_string(range.last);
        }
    }
    return list;
}

}  // namespace

// Only settings that differ from the drive's defaults are written, so that a
// recipe that says nothing about the drive gets the drive as it comes.
std::string descriptorText(const emu::DriveDescription& drive, const std::string& cueName,
                           const std::string& recipeName) {
    const emu::DriveDescription defaults;
    std::string text = "# Written by mkdisc from " + recipeName + "\n";
    text += "[disc]\nimage = " + cueName + "\n";
    if (!drive.mountedFolder.empty()) {
        text += "mounted-folder = " + drive.mountedFolder.string() + "\n";
    }
    if (!drive.volumeLabel.empty()) {
        text += "volume-label = " + drive.volumeLabel + "\n";
    }

    std::string section;
    const auto add = [&section](bool differs, const std::string& key, const std::string& value) {
        if (differs) {
            section += key + " = " + value + "\n";
        }
    };
    const auto flush = [&text, &section](const char* name) {
        if (!section.empty()) {
            text += std::string("\n[") + name + "]\n" + section;
            section.clear();
        }
    };

    add(drive.vendor != defaults.vendor, "vendor", drive.vendor);
    add(drive.product != defaults.product, "product", drive.product);
    add(drive.revision != defaults.revision, "revision", drive.revision);
    add(drive.date != defaults.date, "date", drive.date);
    flush("inquiry");

    add(drive.personality != defaults.personality, "personality",
        drive.personality == emu::Personality::Mmc ? "mmc" : "scsi2");
    add(drive.vendorCddaRead != defaults.vendorCddaRead, "vendor-cdda-read",
        drive.vendorCddaRead ? "on" : "off");
    add(drive.atipOnPressed != defaults.atipOnPressed, "atip-on-pressed",
        drive.atipOnPressed == emu::AtipOnPressed::IllegalField ? "invalid-field" : "short-reply");
    add(drive.errorRecoveryChangeable != defaults.errorRecoveryChangeable,
        "error-recovery-changeable", hexByte(drive.errorRecoveryChangeable));
    flush("drive");

    const emu::FaultSet& faults = drive.faults;
    add(!faults.hard.empty(), "hard", rangeList(faults.hard));
    add(!faults.marginal.empty(), "marginal", rangeList(faults.marginal));
    add(!faults.other.empty(), "other", rangeList(faults.other));
    std::string opcodes;
    for (const std::uint8_t opcode : faults.rejectedOpcodes) {
        opcodes += (opcodes.empty() ? "" : ", ") + hexByte(opcode);
    }
    add(!opcodes.empty(), "reject-opcodes", opcodes);
    add(faults.becomingReadyPolls != 0, "becoming-ready-polls",
        std::to_string(faults.becomingReadyPolls));
    flush("faults");
    return text;
}

}  // namespace kel::mkdisc
