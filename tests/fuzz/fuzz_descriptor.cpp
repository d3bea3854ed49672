// Descriptor files from untrusted bytes: parsing must never crash or hang.
// The image a descriptor names is looked up under a folder that does not
// exist, so that the parser, not the image loader, is what runs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "emu/disc/loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto result = kel::emu::parseDescriptor(text, "/nonexistent-kel-fuzz/drive.emu");
    if (const auto* error = std::get_if<kel::emu::LoadError>(&result)) {
        static_cast<void>(error->text());
    }
    return 0;
}
