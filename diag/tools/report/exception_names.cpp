#include "diag/tools/report/exception_names.h"

#include <csignal>

namespace kel::diag::report {
namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

// Searched in order; the last entry answers for every code not found.
constexpr NamedCode kExceptionNames[] = {
    {0x00000000, "Wait 0"},
    {0x00000080, "Abandoned wait 0"},
    {0x000000C0, "User APC"},
    {0x00000102, "Timeout"},
    {0x00000103, "Pending"},
    {0x80000001, "Guard page violation"},
    {0x80000002, "Data type misalignment"},
    {0xC0000005, "Access violation"},
    {0xC0000006, "In page error"},
    {0xC0000008, "Invalid handle"},
    {0xC0000017, "No memory"},
    {0xC000001D, "Illegal instruction"},
    {0xC0000025, "Non-continuable"},
    {0xC000008C, "Array bounds exceeded"},
    {0xC000008D, "Denormal float operand"},
    {0xC000008E, "Float divide by zero"},
    {0xC000008F, "Float inexact result"},
    {0xC0000090, "Float invalid operation"},
    {0xC0000091, "Float overflow"},
    {0xC0000092, "Float stack check"},
    {0xC0000093, "Float underflow"},
    {0xC0000094, "Divide by zero"},
    {0xC0000095, "Overflow"},
    {0xC0000096, "Privileged instruction"},
    {0xC00000FD, "Stack overflow"},
    {0xC000013A, "Control-C exit"},
    {0xFFFFFFFF, "Unknown"},
};
static_assert(sizeof(kExceptionNames) / sizeof(kExceptionNames[0]) == 27);

constexpr std::uintptr_t kStackOverflowReach = 64 * 1024;

std::uintptr_t distance(std::uintptr_t a, std::uintptr_t b) {
    return a > b ? a - b : b - a;
}

std::uint32_t floatCode(int signalCode) {
    switch (signalCode) {
        case FPE_INTDIV:
            return 0xC0000094;
        case FPE_INTOVF:
            return 0xC0000095;
        case FPE_FLTDIV:
            return 0xC000008E;
        case FPE_FLTOVF:
            return 0xC0000091;
        case FPE_FLTUND:
            return 0xC0000093;
        case FPE_FLTRES:
            return 0xC000008F;
        case FPE_FLTSUB:
            return 0xC000008C;
        default:
            return 0xC0000090;
    }
}

}  // namespace

const char* ExceptionName(std::uint32_t code) {
    const std::size_t last = sizeof(kExceptionNames) / sizeof(kExceptionNames[0]) - 1;
    for (std::size_t i = 0; i < last; ++i) {
        if (kExceptionNames[i].code == code) {
            return kExceptionNames[i].name;
        }
    }
    return kExceptionNames[last].name;
}

std::uint32_t ExceptionCodeForSignal(int signal, int signalCode, std::uintptr_t faultAddress,
                                     std::uintptr_t stackPointer) {
    switch (signal) {
        case SIGSEGV:
            return distance(faultAddress, stackPointer) < kStackOverflowReach ? 0xC00000FD
                                                                              : 0xC0000005;
        case SIGBUS:
            return signalCode == BUS_ADRALN ? 0x80000002 : 0xC0000006;
        case SIGFPE:
            return floatCode(signalCode);
        case SIGILL:
            return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? 0xC0000096 : 0xC000001D;
        default:
            return kSignalCodeBase | static_cast<std::uint32_t>(signal);
    }
}

}  // namespace kel::diag::report
