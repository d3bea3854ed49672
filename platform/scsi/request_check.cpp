#include "platform/scsi/request_check.h"

#include <cerrno>
#include <climits>
#include <string>

namespace kel::scsi {

TransportError checkRequest(std::span<const std::uint8_t> cdb, std::size_t bufferSize) {
    const std::size_t length = cdb.size();
    if (length != 6 && length != 10 && length != 12 && length != 16) {
        return {EINVAL, "CDB of " + std::to_string(length) + " bytes (must be 6, 10, 12 or 16)"};
    }
    // The kernel's transfer length field is an unsigned int.
    if (bufferSize > UINT_MAX) {
        return {EINVAL, "transfer of " + std::to_string(bufferSize) + " bytes is too large"};
    }
    return {};
}

}  // namespace kel::scsi
