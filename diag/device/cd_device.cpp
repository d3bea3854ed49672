#include "diag/device/cd_device.h"

#include <algorithm>
#include <cstdio>

#include "diag/device/device_database.h"

namespace kel::diag {

CdDevice::CdDevice() : profile(std::make_unique<DeviceProfile>()) {}

CdDevice::CdDevice(const CdDevice& source, CloneTag)
    : quiet(source.quiet),
      debugLevel(source.debugLevel),
      mediumClass(source.mediumClass),
      messageCallback(source.messageCallback),
      logCallback(source.logCallback),
      dumpCallback(source.dumpCallback),
      profile(std::make_unique<DeviceProfile>(*source.profile)) {}

bool CdDevice::ResetBlockSize(std::int16_t length) {
    std::uint8_t wasQuiet = quiet;
    quiet = 1;
    bool result = true;
    if (blockLength != length && !profile->NoBlkSet) {
        // Forces the switch to be sent even when rawMode says it is off.
        rawMode = 1;
        result = SetRawMode(false);
        if (!result) {
            profile->NoBlkSet = 1;
            profile->modified = 1;
        }
        blockLength = length;
    }
    quiet = wasQuiet;
    return result;
}

bool CdDevice::GetCapabilitiesPage(std::span<std::uint8_t> buffer) const {
    std::size_t n = std::min(buffer.size(), capabilitiesPage.size());
    std::copy_n(capabilitiesPage.begin(), n, buffer.begin());
    return hasCapabilitiesPage != 0;
}

bool CdDevice::UpdateDatabase() const {
    return diag::UpdateDatabase(*profile);
}

void CdDevice::log(const char* format, ...) const {
    if (!logCallback) {
        return;
    }
    // Log lines are bounded like every formatted text of the program.
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    logCallback(line);
}

void CdDevice::dump(std::span<const std::uint8_t> data, std::string_view title) const {
    if (dumpCallback) {
        dumpCallback(data, title);
    }
}

MessageAnswer CdDevice::show(int id, std::vector<MessageValue> args, MessageButtons buttons) const {
    // Without a message routine nobody can answer OK, so a prompt must not
    // make its caller wait for the medium.
    if (!messageCallback) {
        return MessageAnswer::Cancel;
    }
    return messageCallback(DeviceMessage{id, buttons, std::move(args)});
}

std::uint16_t Swap16(std::span<const std::uint8_t, 2> field) {
    return static_cast<std::uint16_t>(field[0] << 8 | field[1]);
}

std::uint32_t Swap32(std::span<const std::uint8_t, 4> field) {
    return std::uint32_t{field[0]} << 24 | std::uint32_t{field[1]} << 16 |
           std::uint32_t{field[2]} << 8 | field[3];
}

}  // namespace kel::diag
