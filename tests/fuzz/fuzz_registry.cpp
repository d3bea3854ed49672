// The registry file reader over arbitrary bytes: it must not crash, and a
// file it accepts must come out of the writer as a file it reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/hive_format.h"

using namespace kel::registry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    FormatError error;
    std::optional<KeyNode> root = parseHive(text, error);
    if (!root) {
        if (error.line == 0 || error.message.empty()) {
            std::abort();
        }
        return 0;
    }
    std::string written = serializeHive(*root);
    std::optional<KeyNode> again = parseHive(written, error);
    if (!again || serializeHive(*again) != written) {
        std::abort();
    }
    return 0;
}
