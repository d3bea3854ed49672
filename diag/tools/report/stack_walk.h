// The stack of the faulting thread, walked from the fault outwards with the
// C++ runtime's unwinder (the one exceptions use), each frame named from the
// dynamic loader's tables: its module and, where the module exports it, its
// function.
#pragma once

#include <ucontext.h>

#include <cstdint>

#include "diag/tools/report/memory_probe.h"
#include "diag/tools/report/report_file.h"

namespace kel::diag::report {

inline constexpr std::size_t kMaxFrames = 64;
// A frame bigger than this is taken for a mis-walked one: its stack pointer
// and frame address do not belong together.
inline constexpr std::uint32_t kMaxFrameData = 64 * 1024;
inline constexpr std::uint32_t kFallbackFrameData = 256;

// Runs the unwinder once, so that whatever it sets up on first use is in
// place before a fault; call before installing the handler.
void PrimeStackWalk();

// Writes one frame record and its data per frame, from the faulting
// function outwards, and gives the number written. A frame's data is its
// stack from the stack pointer up to its frame address when that is
// readable and not too big, else the 256 bytes from the stack pointer when
// readable, else nothing.
std::uint16_t WriteStackFrames(const ucontext_t& context, MemoryProbe& probe, ReportFile& file);

}  // namespace kel::diag::report
