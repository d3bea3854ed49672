// What the kernel handed the signal handler about the fault, and the report
// records made of it. The register layout is the x86-64 one.
#pragma once

#include <ucontext.h>

#include <cstdint>

#include "diag/tools/report/report_layout.h"

#if !defined(__x86_64__)
#error "the problem report knows the x86-64 register layout only"
#endif

namespace kel::diag::report {

struct FaultState {
    int signal = 0;
    int signalCode = 0;
    std::uintptr_t faultAddress = 0;  // what the signal names (the bad address of a load)
    const ucontext_t* context = nullptr;
};

std::uintptr_t ProgramCounter(const ucontext_t& context);
std::uintptr_t StackPointer(const ucontext_t& context);
std::uintptr_t FramePointer(const ucontext_t& context);
// The register with that dump id (RegisterId).
std::uintptr_t RegisterValue(const ucontext_t& context, RegisterId id);

ExceptionRecord MakeExceptionRecord(const FaultState& fault);
ThreadContext MakeThreadContext(const ucontext_t& context);

}  // namespace kel::diag::report
