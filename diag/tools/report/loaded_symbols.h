// Names a code address from the dynamic loader's tables, read in place.
// The loader's own lookup takes its lock, which a thread inside a library's
// load holds for as long as that library's constructors run: a fault in one
// of them, or in any thread while another loads, would wait for ever. The
// loader finds the module without its lock; the module's exported symbols
// are then read from its dynamic section, allocating nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kel::diag::report {

struct CodeLocation {
    std::uintptr_t moduleBase = 0;     // lowest address the module is mapped at
    const char* modulePath = nullptr;  // as the module was loaded
    const char* function = nullptr;    // exported name, not terminated within its length
    std::size_t functionLength = 0;
    std::uintptr_t functionStart = 0;
};

// False when no loaded module holds the address. A module found without an
// exported symbol around the address leaves `function` null.
bool LocateCode(std::uintptr_t address, CodeLocation& location);

}  // namespace kel::diag::report
