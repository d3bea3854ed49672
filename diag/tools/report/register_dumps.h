// The memory around the registers at the fault: 512 bytes centred on each
// register that holds a user-space address whose surroundings are readable.
#pragma once

#include <ucontext.h>

#include <cstdint>

#include "diag/tools/report/memory_probe.h"
#include "diag/tools/report/report_file.h"

namespace kel::diag::report {

// Lowest and first-not-valid user-space address of this machine: the first
// 64 KiB are never mapped, and user space ends below the 47-bit boundary.
inline constexpr std::uintptr_t kLowestUserAddress = 0x10000;
inline constexpr std::uintptr_t kUserSpaceEnd = 0x0000800000000000;

// Writes a record for RAX, RBX, RCX, RDX, RSI, RDI, RBP, RIP and RSP in this
// order where the register qualifies; the number of records written.
std::uint16_t DumpRegisterMemory(const ucontext_t& context, MemoryProbe& probe, ReportFile& file);

}  // namespace kel::diag::report
