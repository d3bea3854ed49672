// Sense bytes come from the drive and the kernel: any length, any content.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/scsi/sense_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kel::scsi::Sense sense =
        kel::scsi::toFixedSense(std::span<const std::uint8_t>(data, size));
    // Whatever came in, what goes out is fixed format or nothing.
    const std::uint8_t code = sense.bytes[0] & 0x7F;
    if (code != 0 && code != 0x70 && code != 0x71) {
        __builtin_trap();
    }
    return 0;
}
