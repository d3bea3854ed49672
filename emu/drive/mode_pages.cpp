#include "emu/drive/mode_pages.h"

#include <algorithm>

#include "emu/drive/bytes.h"

namespace kel::emu {

namespace {

using Bytes = std::vector<std::uint8_t>;

bool isMmc(const DriveDescription& drive) {
    return drive.personality == Personality::Mmc;
}

// The older drives have the six-byte SCSI-2 error-recovery page.
Bytes errorRecoveryDefaults(const DriveDescription& drive) {
    Bytes body(isMmc(drive) ? 0x0A : 0x06, 0);
    body[1] = 0x05;  // read retry count
    return body;
}

Bytes errorRecoveryChangeable(const DriveDescription& drive) {
    Bytes body(isMmc(drive) ? 0x0A : 0x06, 0);
    body[0] = drive.errorRecoveryChangeable;
    body[1] = 0xFF;
    return body;
}

// Inactivity timer 0; 60 S units per M, 75 F units per S.
Bytes cdParametersDefaults() {
    return {0x00, 0x00, 0x00, 0x3C, 0x00, 0x4B};
}
Bytes cdParametersChangeable() {
    return {0x00, 0x0F, 0x00, 0x00, 0x00, 0x00};
}

// Immediate play; ports 0 and 1 carry channels 0 and 1 at full volume.
Bytes audioControlDefaults() {
    return {0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x00};
}
Bytes audioControlChangeable() {
    return {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF};
}

// Speed factor in byte 2 or 3 depending on the vendor's firmware.
Bytes vendorSpeedDefaults() {
    return {0x00, 0x00};
}
Bytes vendorSpeedChangeable() {
    return {0xFF, 0xFF};
}

Bytes capabilities(const DriveContext& context) {
    Bytes body(0x14, 0);
    body[0] = 0x03;  // reads CD-R and CD-RW
    body[2] = 0x71;  // audio play, mode 2 form 1 and 2, multi-session
    body[3] = 0x7F;  // CD-DA commands, accurate stream, R-W (de-interleaved), C2, ISRC, UPC
    body[4] = 0x29 | (context.state.locked ? 0x02 : 0x00);  // tray, eject, lock
    body[5] = 0x03;                                         // separate volume and mute
    writeBe(body, 6, 2, kMaxReadSpeedKbs);
    writeBe(body, 8, 2, 256);   // volume levels
    writeBe(body, 10, 2, 128);  // buffer, kB
    writeBe(body, 12, 2, std::min(context.state.readSpeedKbs, kMaxReadSpeedKbs));
    return body;
}

struct ChangeablePage {
    std::uint8_t code;
    Bytes (*defaults)(const DriveDescription&);
    Bytes (*changeable)(const DriveDescription&);
};

const ChangeablePage kChangeablePages[] = {
    {page::kErrorRecovery, errorRecoveryDefaults, errorRecoveryChangeable},
    {page::kCdParameters, [](const DriveDescription&) { return cdParametersDefaults(); },
     [](const DriveDescription&) { return cdParametersChangeable(); }},
    {page::kAudioControl, [](const DriveDescription&) { return audioControlDefaults(); },
     [](const DriveDescription&) { return audioControlChangeable(); }},
    {page::kVendorSpeed, [](const DriveDescription&) { return vendorSpeedDefaults(); },
     [](const DriveDescription&) { return vendorSpeedChangeable(); }},
};

bool hasPage(std::uint8_t code, const DriveDescription& drive) {
    switch (code) {
        case page::kErrorRecovery:
        case page::kCdParameters:
        case page::kAudioControl:
            return true;
        case page::kCapabilities:
            return isMmc(drive);
        case page::kVendorSpeed:
            return !isMmc(drive);
        default:
            return false;
    }
}

}  // namespace

std::vector<std::uint8_t> modePageCodes(const DriveDescription& drive) {
    std::vector<std::uint8_t> codes;
    for (std::uint8_t code = 0; code < page::kAll; ++code) {
        if (hasPage(code, drive)) {
            codes.push_back(code);
        }
    }
    return codes;
}

std::optional<std::vector<std::uint8_t>> modePageBody(std::uint8_t code, PageControl control,
                                                      const DriveContext& context) {
    if (!hasPage(code, context.drive)) {
        return std::nullopt;
    }
    if (code == page::kCapabilities) {
        return control == PageControl::Changeable ? Bytes(0x14, 0) : capabilities(context);
    }
    for (const ChangeablePage& entry : kChangeablePages) {
        if (entry.code != code) {
            continue;
        }
        Bytes defaults = entry.defaults(context.drive);
        if (control == PageControl::Changeable) {
            return entry.changeable(context.drive);
        }
        if (control == PageControl::Current) {
            auto stored = context.state.pages.find(code);
            // A stored page of another length belongs to another personality
            // (or to a damaged state file): the drive has its defaults then.
            if (stored != context.state.pages.end() && stored->second.size() == defaults.size()) {
                return stored->second;
            }
        }
        return defaults;
    }
    return std::nullopt;
}

void storeModePage(std::uint8_t code, std::vector<std::uint8_t> body, DriveState& state) {
    state.pages[code] = std::move(body);
}

std::uint8_t errorRecoveryFlags(const DriveContext& context) {
    auto body = modePageBody(page::kErrorRecovery, PageControl::Current, context);
    return body ? (*body)[0] : 0;
}

}  // namespace kel::emu
