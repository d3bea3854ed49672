#include "platform/scsi/sg_status.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

namespace kel::scsi {

namespace {
// Host byte values (Linux include/scsi/scsi_status.h); the user-space headers
// stopped exporting them.
struct StatusCode {
    std::uint16_t value;
    const char* name;
    int error;
};
constexpr StatusCode kHostCodes[] = {
    {0x01, "DID_NO_CONNECT", ENODEV},
    {0x02, "DID_BUS_BUSY", EBUSY},
    {0x03, "DID_TIME_OUT", ETIMEDOUT},
    {0x04, "DID_BAD_TARGET", ENODEV},
    {0x05, "DID_ABORT", ECANCELED},
    {0x06, "DID_PARITY", EIO},
    {0x07, "DID_ERROR", EIO},
    {0x08, "DID_RESET", EIO},
    {0x09, "DID_BAD_INTR", EIO},
    {0x0A, "DID_PASSTHROUGH", EIO},
    {0x0B, "DID_SOFT_ERROR", EAGAIN},
    {0x0C, "DID_IMM_RETRY", EAGAIN},
    {0x0D, "DID_REQUEUE", EAGAIN},
    {0x0E, "DID_TRANSPORT_DISRUPTED", EAGAIN},
    {0x0F, "DID_TRANSPORT_FAILFAST", EIO},
    {0x10, "DID_TARGET_FAILURE", EIO},
    {0x11, "DID_NEXUS_FAILURE", EIO},
    {0x12, "DID_ALLOC_FAILURE", ENOMEM},
    {0x13, "DID_MEDIUM_ERROR", EIO},
    {0x14, "DID_TRANSPORT_MARGINAL", EIO},
};

// Driver byte, low nibble (the high nibble held retry suggestions in older
// kernels and means nothing to us).
constexpr std::uint16_t kDriverCodeMask = 0x0F;
constexpr std::uint16_t kDriverSense = 0x08;
constexpr StatusCode kDriverCodes[] = {
    {0x01, "DRIVER_BUSY", EBUSY},     {0x02, "DRIVER_SOFT", EIO},
    {0x03, "DRIVER_MEDIA", EIO},      {0x04, "DRIVER_ERROR", EIO},
    {0x05, "DRIVER_INVALID", EINVAL}, {0x06, "DRIVER_TIMEOUT", ETIMEDOUT},
    {0x07, "DRIVER_HARD", EIO},
};

std::string prefix(std::string_view device, std::uint8_t opcode) {
    char text[32];
    std::snprintf(text, sizeof text, ": command 0x%02X: ", opcode);
    return std::string(device) + text;
}

std::string hex(std::uint16_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

TransportError statusError(std::span<const StatusCode> codes, std::uint16_t value, const char* what,
                           std::string_view device, std::uint8_t opcode) {
    const char* name = "unknown";
    int error = EIO;
    for (const StatusCode& code : codes) {
        if (code.value == value) {
            name = code.name;
            error = code.error;
        }
    }
    return {error, prefix(device, opcode) + what + " " + name + " (" + hex(value) +
                       "): " + std::strerror(error)};
}
}  // namespace

TransportError sgIoctlError(int error, std::uint8_t opcode, std::string_view device) {
    std::string text = prefix(device, opcode) + "SG_IO failed: " + std::strerror(error);
    if (error == EACCES || error == EPERM) {
        // The block layer lets an unprivileged caller send only the opcodes on
        // its list, and writing ones only on a descriptor opened for writing.
        text +=
            " (the kernel refused this opcode on this device: it needs write access to "
            "the device or the CAP_SYS_RAWIO capability)";
    }
    return {error, text};
}

TransportError sgCompletionError(std::uint16_t hostStatus, std::uint16_t driverStatus,
                                 std::uint8_t opcode, std::string_view device) {
    if (hostStatus != 0) {
        return statusError(kHostCodes, hostStatus, "host status", device, opcode);
    }
    const std::uint16_t driver = driverStatus & kDriverCodeMask;
    if (driver != 0 && driver != kDriverSense) {
        return statusError(kDriverCodes, driver, "driver status", device, opcode);
    }
    return {};
}

}  // namespace kel::scsi
