#include "emu/drive/command.h"

#include <algorithm>

#include "emu/drive/bytes.h"

namespace kel::emu {

Outcome fail(SenseCode code) {
    return Outcome{scsi::Sense::make(code.key, code.asc, code.ascq), 0};
}

Outcome failAt(SenseCode code, std::int32_t lba, std::size_t transferred) {
    scsi::Sense sense = scsi::Sense::make(code.key, code.asc, code.ascq);
    sense.bytes[0] |= 0x80;  // information field valid
    writeBe(sense.bytes, 3, 4, static_cast<std::uint32_t>(lba));
    return Outcome{sense, transferred};
}

Outcome answer(const CommandData& command, std::span<const std::uint8_t> reply,
               std::size_t allocation) {
    const std::size_t wanted = std::min(reply.size(), allocation);
    const std::size_t count = std::min(wanted, command.in.size());
    std::copy_n(reply.begin(), count, command.in.begin());
    return Outcome{std::nullopt, count, wanted > count};
}

}  // namespace kel::emu
