#include "diag/ui/copy/block_reads.h"

#include <algorithm>
#include <limits>

namespace kel::diag {

bool BlockReads::Read(std::int64_t block, std::span<std::uint8_t> out, const std::string& what) {
    for (;;) {
        if (block >= 0 && block <= std::numeric_limits<std::int32_t>::max() &&
            device_.ReadSectors(static_cast<std::uint32_t>(block), out, 1)) {
            return true;
        }
        const ReadErrorChoice choice =
            settings_.acceptErrors ? ReadErrorChoice::Skip : questions_.readError(what, block);
        if (choice == ReadErrorChoice::Retry) {
            continue;
        }
        if (choice == ReadErrorChoice::Stop) {
            outcome_.stopped = true;
            return false;
        }
        // Whatever a failed read left in the buffer is not the disc's data.
        std::fill(out.begin(), out.end(), std::uint8_t{0});
        outcome_.lost.push_back({what, block});
        return true;
    }
}

}  // namespace kel::diag
