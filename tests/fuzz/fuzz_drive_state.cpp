// The emulated drive's state file is outside bytes: any process, or a crash
// mid-edit, may leave anything in it. Parsing must not crash, and what it
// yields must survive a round trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "emu/drive/drive_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const kel::emu::DriveState base;
    const kel::emu::DriveState state = kel::emu::parseState(text, base, "fuzz.state");
    const kel::emu::DriveState again =
        kel::emu::parseState(kel::emu::serialiseState(state), base, "fuzz.state");
    if (!(again == state)) {
        __builtin_trap();
    }
    return 0;
}
