#include "fake_drive.h"

#include <algorithm>
#include <cstring>

namespace kel::server::testing {
namespace {

void putBe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

void putMsf(std::uint8_t* at, std::uint32_t lba) {
    std::uint32_t frames = lba + 150;
    at[0] = 0;
    at[1] = static_cast<std::uint8_t>(frames / 4500);
    at[2] = static_cast<std::uint8_t>(frames / 75 % 60);
    at[3] = static_cast<std::uint8_t>(frames % 75);
}

}  // namespace

void FakeDrive::attach(scsi::RecordingTransport& transport) {
    transport.setResponder([this](const scsi::RecordedCommand& command,
                                  std::span<std::uint8_t> buffer) {
        scsi::Result result;
        std::uint8_t opcode = command.cdb[0];
        if (auto failure = failing.find(opcode); failure != failing.end()) {
            result.status = scsi::status::kCheckCondition;
            result.sense =
                scsi::Sense::make(failure->second[0], failure->second[1], failure->second[2]);
            return result;
        }
        std::vector<std::uint8_t> reply;
        switch (opcode) {
            case 0x12:
                reply.assign(36, 0);
                reply[0] = type;
                reply[2] = version;
                reply[4] = 31;
                std::memcpy(&reply[8], vendor, 8);
                std::memcpy(&reply[16], product, 16);
                break;
            case 0x25:
                reply.assign(8, 0);
                putBe32(&reply[0], leadOut - 1);
                putBe32(&reply[4], 2048);
                break;
            case 0x43: {
                std::size_t length = 2 + 8 * (tracks.size() + 1);
                reply.assign(length + 2, 0);
                reply[0] = static_cast<std::uint8_t>(length >> 8);
                reply[1] = static_cast<std::uint8_t>(length);
                reply[2] = tracks.front().number;
                reply[3] = tracks.back().number;
                std::size_t at = 4;
                for (const FakeTrack& t : tracks) {
                    reply[at + 1] = static_cast<std::uint8_t>(0x10 | t.control);
                    reply[at + 2] = t.number;
                    putBe32(&reply[at + 4], t.start);
                    at += 8;
                }
                reply[at + 1] = 0x14;
                reply[at + 2] = 0xAA;
                putBe32(&reply[at + 4], leadOut);
                break;
            }
            case 0x42: {
                reply.assign(16, 0);
                reply[1] = audioStatus;
                reply[3] = 12;
                reply[4] = 1;
                reply[5] = 0x10;
                reply[6] = 1;
                reply[7] = 1;
                if (command.cdb[1] & 0x02) {
                    putMsf(&reply[8], absoluteLba);
                    putMsf(&reply[12], relativeLba - 150);
                } else {
                    putBe32(&reply[8], absoluteLba);
                    putBe32(&reply[12], relativeLba);
                }
                break;
            }
            case 0x15:
            case 0x55: {
                // The block descriptor follows the 4- or 8-byte header.
                std::size_t descriptor = opcode == 0x15 ? 4 : 8;
                if (command.dataOut.size() >= descriptor + 8) {
                    blockLength = static_cast<std::uint16_t>(command.dataOut[descriptor + 6] << 8 |
                                                             command.dataOut[descriptor + 7]);
                }
                break;
            }
            case 0x28:
                reply.resize(std::size_t{blockLength} *
                             (std::size_t{command.cdb[7]} << 8 | command.cdb[8]));
                for (std::size_t i = 0; i < reply.size(); ++i) {
                    reply[i] = static_cast<std::uint8_t>(i * 7 + 1);
                }
                break;
            case 0xBE:
            case 0x3E:
            case 0xD8:
                // Each byte of a read carries its index, so tests see the data.
                reply.resize(buffer.size());
                for (std::size_t i = 0; i < reply.size(); ++i) {
                    reply[i] = static_cast<std::uint8_t>(i * 7 + 1);
                }
                break;
            default:
                break;
        }
        std::size_t n = std::min(reply.size(), buffer.size());
        std::copy_n(reply.begin(), n, buffer.begin());
        result.transferred = command.direction == scsi::Direction::In ? n : command.bufferSize;
        return result;
    });
}

}  // namespace kel::server::testing
