// The CDB transport: the one seam through which every program reaches a drive,
// real (SG_IO) or emulated.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kel::scsi {

enum class Direction { None, In, Out };

namespace status {
inline constexpr std::uint8_t kGood = 0x00;
inline constexpr std::uint8_t kCheckCondition = 0x02;
inline constexpr std::uint8_t kBusy = 0x08;
}  // namespace status

// Fixed-format (0x70) sense data. Descriptor-format sense from the kernel is
// converted before it gets here, so callers read key/ASC/ASCQ at fixed offsets.
struct Sense {
    static constexpr std::size_t kSize = 18;
    std::array<std::uint8_t, kSize> bytes{};

    std::uint8_t key() const { return bytes[2] & 0x0F; }
    std::uint8_t asc() const { return bytes[12]; }
    std::uint8_t ascq() const { return bytes[13]; }

    // Builds current-error fixed-format sense for key/ASC/ASCQ.
    static Sense make(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
};

// Why a command did not reach the drive or did not come back. A transport
// error is never a SCSI status: the command's outcome is unknown.
struct TransportError {
    int code = 0;      // errno value (EACCES, ENODEV, ETIMEDOUT, ...), 0 = none
    std::string text;  // human-readable, includes the errno text
};

struct Result {
    TransportError error;                 // set: nothing below is meaningful
    std::uint8_t status = status::kGood;  // SCSI status byte
    Sense sense;                          // valid when status is CHECK CONDITION
    std::size_t transferred = 0;          // bytes really moved (buffer size minus residual)
    // The drive had more data for the host than the buffer held, or data
    // for a request that gave it no buffer: `transferred` is only a part.
    bool overrun = false;

    bool transportFailed() const { return error.code != 0; }
    bool ok() const { return !transportFailed() && status == status::kGood; }
    bool checkCondition() const { return !transportFailed() && status == status::kCheckCondition; }
};

class Transport {
public:
    virtual ~Transport() = default;

    // cdb is 6, 10, 12 or 16 bytes. For Direction::In the drive writes at most
    // buffer.size() bytes; for Out it reads them; for None buffer is ignored.
    virtual Result execute(std::span<const std::uint8_t> cdb, Direction direction,
                           std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) = 0;
};

}  // namespace kel::scsi
