// A manager library that lacks its command entry point: loading it must
// fail before its support word is asked for.
#include <cstdint>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo() {
    std::abort();
}
