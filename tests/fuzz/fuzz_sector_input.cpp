// What a user types into the sector display's field: any text. A block must
// come only from one number or three, and an MSF must give the block it names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "diag/tools/sector/sector_text.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int64_t> block = SectorFromInput(text);
    // The largest MSF of 32-bit fields stays far inside 64 bits.
    if (block && (*block > std::int64_t{1} << 50 || *block < -(std::int64_t{1} << 50))) {
        std::abort();
    }
    if (block && *block >= -150 && *block <= 449849) {
        const std::string msf = MsfText(static_cast<std::int32_t>(*block));
        if (SectorFromInput(msf) != block) {
            std::abort();
        }
    }
    return 0;
}
