// A scripted CD drive for server tests: answers the commands the server's
// library sends from a few settable values, and fails on demand.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/scsi/recording_transport.h"

namespace kel::server::testing {

struct FakeTrack {
    std::uint8_t number;
    std::uint8_t control;
    std::uint32_t start;
};

struct FakeDrive {
    std::uint8_t type = 5;
    std::uint8_t version = 0;
    const char* vendor = "VENDOR  ";
    const char* product = "PRODUCT CD-ROM  ";
    std::vector<FakeTrack> tracks{{1, 4, 0}};
    std::uint32_t leadOut = 1000;
    std::uint8_t audioStatus = 0x15;
    std::uint32_t absoluteLba = 0;
    std::uint32_t relativeLba = 0;
    // What READ(10) transfers per block; a MODE SELECT block descriptor sets it.
    std::uint16_t blockLength = 2048;
    // Opcodes that answer CHECK CONDITION with this sense (key, asc, ascq).
    std::map<std::uint8_t, std::array<std::uint8_t, 3>> failing;

    // Installs the answers on `transport`.
    void attach(scsi::RecordingTransport& transport);
};

}  // namespace kel::server::testing
