#include "diag/tools/report/machine_context.h"

#include <csignal>
#include <cstring>

#include "diag/tools/report/exception_names.h"

namespace kel::diag::report {
namespace {

std::uintptr_t reg(const ucontext_t& context, int index) {
    return static_cast<std::uintptr_t>(context.uc_mcontext.gregs[index]);
}

// The page-fault error code's write and instruction-fetch bits.
constexpr std::uint64_t kPageFaultWrite = 0x2;
constexpr std::uint64_t kPageFaultFetch = 0x10;

std::uint64_t accessKind(const ucontext_t& context) {
    const std::uint64_t error = reg(context, REG_ERR);
    if (error & kPageFaultFetch) {
        return 8;
    }
    return (error & kPageFaultWrite) ? 1 : 0;
}

}  // namespace

std::uintptr_t ProgramCounter(const ucontext_t& context) {
    return reg(context, REG_RIP);
}
std::uintptr_t StackPointer(const ucontext_t& context) {
    return reg(context, REG_RSP);
}
std::uintptr_t FramePointer(const ucontext_t& context) {
    return reg(context, REG_RBP);
}

std::uintptr_t RegisterValue(const ucontext_t& context, RegisterId id) {
    switch (id) {
        case kRax:
            return reg(context, REG_RAX);
        case kRbx:
            return reg(context, REG_RBX);
        case kRcx:
            return reg(context, REG_RCX);
        case kRdx:
            return reg(context, REG_RDX);
        case kRsi:
            return reg(context, REG_RSI);
        case kRdi:
            return reg(context, REG_RDI);
        case kRbp:
            return reg(context, REG_RBP);
        case kRip:
            return reg(context, REG_RIP);
        case kRsp:
            return reg(context, REG_RSP);
    }
    return 0;
}

ExceptionRecord MakeExceptionRecord(const FaultState& fault) {
    ExceptionRecord record;
    const std::uintptr_t pc = fault.context ? ProgramCounter(*fault.context) : 0;
    const std::uintptr_t sp = fault.context ? StackPointer(*fault.context) : 0;
    record.code = ExceptionCodeForSignal(fault.signal, fault.signalCode, fault.faultAddress, sp);
    record.flags = kNonContinuable;
    record.address = pc;
    record.parameterCount = 4;
    record.parameters[0] = static_cast<std::uint64_t>(fault.signal);
    record.parameters[1] = static_cast<std::uint64_t>(static_cast<std::uint32_t>(fault.signalCode));
    record.parameters[2] = fault.faultAddress;
    record.parameters[3] =
        fault.signal == SIGSEGV && fault.context != nullptr ? accessKind(*fault.context) : 0;
    return record;
}

ThreadContext MakeThreadContext(const ucontext_t& context) {
    ThreadContext out;
    static_assert(sizeof out.registers == sizeof context.uc_mcontext.gregs);
    std::memcpy(out.registers, context.uc_mcontext.gregs, sizeof out.registers);
    if (context.uc_mcontext.fpregs != nullptr) {
        static_assert(sizeof out.floatState == sizeof *context.uc_mcontext.fpregs);
        std::memcpy(out.floatState, context.uc_mcontext.fpregs, sizeof out.floatState);
    }
    return out;
}

}  // namespace kel::diag::report
