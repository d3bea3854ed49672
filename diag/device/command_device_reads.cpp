#include <algorithm>

#include "diag/device/command_device.h"

namespace kel::diag {

namespace {

constexpr std::size_t kInquiryBytes = 255;
constexpr std::size_t kSubChannelBytes = 256;
constexpr std::size_t kDiscInfoBytes = 2048;
constexpr std::uint32_t kMaxCountByte = 0xFF;
constexpr std::uint32_t kMaxCountWord = 0xFFFF;

}  // namespace

// `sectorReads`: the rules of ReadSectors, which also retry a positioning
// error (and, where the interface says so, a drive not ready).
bool CommandDevice::isRetriedReadSense(bool sectorReads) const {
    std::uint8_t key = senseKeyCode();
    return (key == 0 && senseAsc == 0x15) || (key == 4 && senseAsc == 0) ||
           (key == 3 && senseAsc == 0x11) ||
           (sectorReads && (senseAsc == 0x22 || (dialect_.retryNotReadyReads && senseAsc == 0x04)));
}

bool CommandDevice::classifyReadFailure(std::uint8_t op, std::int64_t block) {
    std::uint8_t key = senseKeyCode();
    if (key == 1) {
        if (acceptRecovered) {
            return true;
        }
        lastErrorClass = kRecoveredError;
        ++recoveredCount;
    } else if (key == 3) {
        lastErrorClass = kMediumError;
        ++mediumErrorCount;
    } else {
        if (debugLevel > 0) {
            log("Unexpected error from cmd 0x%02x, block %lld on device %s: %s", op,
                static_cast<long long>(block), logAddress().c_str(), SenseString().c_str());
        }
        lastErrorClass = kOtherError;
        ++otherErrorCount;
    }
    return false;
}

void CommandDevice::reportReadFailure(std::int64_t block) {
    show(3007, {block, messageName(), SenseString()});
}

bool CommandDevice::Inquiry(std::span<std::uint8_t> buffer) {
    if (buffer.size() < kInquiryBytes) {
        return false;
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    DeviceCommand request{inquiryCommand(), scsi::Direction::In, buffer.first(kInquiryBytes), {}};
    bool ok = ExecuteCommand(request, true);
    if (debugLevel > 0) {
        if (ok) {
            dump(buffer.first(std::min(buffer.size(), dialect_.inquiryDumpBytes)),
                 "Inquiry results from device");
        } else {
            log("Inquiry to %s failed", logAddress().c_str());
        }
    }
    return ok;
}

bool CommandDevice::ReadToc(std::uint16_t formatWord, std::span<std::uint8_t> buffer) {
    if (((formatWord >> 8) & 0x0F) == 4 && profile->NoATIP) {
        return false;
    }
    std::size_t length = readTocLength(formatWord);
    if (buffer.size() < length) {
        return false;
    }
    DeviceCommand request{
        readTocCommand(formatWord), scsi::Direction::In, buffer.first(length), {}};
    if (ExecuteCommand(request, true)) {
        return true;
    }
    std::uint8_t key = senseKeyCode();
    // Drives answer these for formats or media they do not have: not worth
    // a message.
    bool silent = (key == 5 && (senseAsc == 0x20 || senseAsc == 0x24 || senseAsc == 0x81 ||
                                senseAsc == 0x64)) ||
                  (key == 8 && senseAsc == 0x94);
    if (!silent && !(quiet && debugLevel == 0)) {
        show(3009, {std::int64_t{formatWord}, messageName(), SenseString()});
    }
    return false;
}

bool CommandDevice::ReadSectors(std::uint32_t block, std::span<std::uint8_t> buffer,
                                std::uint32_t count) {
    lastErrorClass = kNoError;
    if (cddaMode) {
        return ScanRead(block, buffer, count, false);
    }
    std::size_t sectorBytes = rawMode ? kRawSectorBytes : kCookedSectorBytes;
    // One count byte: a larger count would be cut to its low byte.
    if (count > kMaxCountByte || buffer.size() < count * sectorBytes) {
        if (debugLevel > 0) {
            log("Read of %u sectors refused: the command or the buffer cannot hold them", count);
        }
        return false;
    }
    DeviceCommand request{
        readSectorsCommand(*profile, rawMode != 0, block, static_cast<std::uint8_t>(count)),
        scsi::Direction::In,
        buffer.first(count * sectorBytes),
        {}};
    int retriesLeft = kRetries;
    for (;;) {
        if (ExecuteCommand(request, true)) {
            return true;
        }
        if (errorClassifying) {
            return classifyReadFailure(request.cdb.opcode(), block);
        }
        if (cancelled) {
            retriesLeft = 0;
        }
        if (isRetriedReadSense(true) && retriesLeft-- > 0) {
            continue;
        }
        if (!quiet && !noReadErrorMessage) {
            reportReadFailure(block);
        } else if (debugLevel > 1) {
            log("Error reading (%02x) %u: %02x %02x", request.cdb.opcode(), block, senseAsc,
                senseAscq);
        }
        return false;
    }
}

bool CommandDevice::ReadCdda(std::uint32_t block, std::span<std::uint8_t> buffer) {
    if (!rawMode || buffer.size() < kRawSectorBytes) {
        return false;
    }
    if (profile->RawCmd == 0) {
        return commandNotSupported();
    }
    DeviceCommand request{
        readCddaCommand(*profile, block), scsi::Direction::In, buffer.first(kRawSectorBytes), {}};
    int retriesLeft = kRetries;
    for (;;) {
        if (ExecuteCommand(request, true)) {
            return true;
        }
        if (isRetriedReadSense(false) && retriesLeft-- > 0) {
            continue;
        }
        if (!quiet) {
            reportReadFailure(block);
        }
        return false;
    }
}

bool CommandDevice::ReadSubChannel(std::uint8_t format, std::uint8_t track,
                                   std::span<std::uint8_t> buffer) {
    if (buffer.size() < kSubChannelBytes) {
        return false;
    }
    DeviceCommand request{readSubChannelCommand(format, track),
                          scsi::Direction::In,
                          buffer.first(kSubChannelBytes),
                          {}};
    return ExecuteCommand(request, true);
}

bool CommandDevice::ScanRead(std::uint32_t block, std::span<std::uint8_t> buffer,
                             std::uint32_t count, bool withQ) {
    std::size_t sectorBytes = kRawSectorBytes + (withQ ? kSubQBytes : 0);
    if (count > kMaxCountWord || buffer.size() < count * sectorBytes) {
        return false;
    }
    if (profile->CDDACmd == 0) {
        return commandNotSupported();
    }
    std::optional<CommandBlock> cdb =
        scanReadCommand(*profile, block, static_cast<std::uint16_t>(count), withQ);
    if (!cdb) {
        if (withQ && profile->CDDALen == 10) {
            senseAsc = 0x20;
            senseAscq = 0;
        }
        return false;
    }
    DeviceCommand request{*cdb, scsi::Direction::In, buffer.first(count * sectorBytes), {}};
    bool ok = ExecuteCommand(request, true);
    if (ok && request.end.returned < request.buffer.size()) {
        // A drive asked for whole sectors of any type answers a data sector
        // with its user data alone: no CD-DA sector, and the rest of the
        // buffer is not this read's.
        ok = false;
        senseKey = 5;
        senseAsc = 0x64;  // illegal mode for this track
        senseAscq = 0;
    }
    if (ok) {
        return true;
    }
    bool msf = !profile->mmcCdda && profile->CDDALen == 12 && profile->CDDAMSF;
    if (quiet) {
        return classifyReadFailure(request.cdb.opcode(), msf ? std::int64_t{block} + 150 : block);
    }
    reportReadFailure(block);
    return false;
}

bool CommandDevice::ReadDiscInfo(std::span<std::uint8_t> buffer, std::uint16_t track) {
    std::optional<CommandBlock> cdb =
        track == 0 ? discInfoCommand(*profile, 0) : trackInfoCommand(track);
    if (buffer.size() < kDiscInfoBytes) {
        return false;
    }
    if (!cdb) {
        return commandNotSupported();
    }
    DeviceCommand request{*cdb, scsi::Direction::In, buffer.first(kDiscInfoBytes), {}};
    return ExecuteCommand(request, true);
}

bool CommandDevice::ReadWithSubcode(std::uint32_t block, std::span<std::uint8_t> buffer,
                                    std::uint32_t count) {
    if (count > kMaxCountWord || buffer.size() < count * kSubcodeSectorBytes) {
        return false;
    }
    if (profile->CDDACmd == 0) {
        return commandNotSupported();
    }
    std::optional<CommandBlock> cdb =
        readWithSubcodeCommand(*profile, block, static_cast<std::uint16_t>(count));
    if (!cdb) {
        return false;
    }
    DeviceCommand request{*cdb, scsi::Direction::In, buffer.first(count * kSubcodeSectorBytes), {}};
    if (ExecuteCommand(request, true)) {
        return true;
    }
    if (!quiet) {
        reportReadFailure(block);
    }
    return false;
}

std::optional<CommandBlock> CommandDevice::trackInfoCommand(std::uint16_t track) const {
    return discInfoCommand(*profile, track);
}

bool CommandDevice::Seek(std::uint32_t block) {
    DeviceCommand request{seekCommand(block), scsi::Direction::None, {}, {}};
    return ExecuteCommand(request, true);
}

}  // namespace kel::diag
