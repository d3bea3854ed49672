#include "platform/scsi/transport.h"

namespace kel::scsi {

namespace {
constexpr std::uint8_t kCurrentFixed = 0x70;
constexpr std::uint8_t kAdditionalLength = Sense::kSize - 8;
}  // namespace

Sense Sense::make(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    Sense sense;
    sense.bytes[0] = kCurrentFixed;
    sense.bytes[2] = key & 0x0F;
    sense.bytes[7] = kAdditionalLength;
    sense.bytes[12] = asc;
    sense.bytes[13] = ascq;
    return sense;
}

}  // namespace kel::scsi
