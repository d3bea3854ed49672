// The names of the exception codes that a problem report's question and
// record use, and how a fatal signal maps onto them.
#pragma once

#include <cstdint>

namespace kel::diag::report {

// The name of `code`; "Unknown" for a code the table does not hold.
const char* ExceptionName(std::uint32_t code);

// Code for signals that have no exception of their own (an abort): outside
// the table, so they are named "Unknown".
inline constexpr std::uint32_t kSignalCodeBase = 0xE0000000;

// The exception code of a fatal signal with its signal code. A segmentation
// fault within 64 KiB of the stack pointer is a stack overflow: the stack
// pointer has run into the guard below the stack (a large frame moves it
// past the guard before the first access, so the fault may lie above it).
std::uint32_t ExceptionCodeForSignal(int signal, int signalCode, std::uintptr_t faultAddress,
                                     std::uintptr_t stackPointer);

}  // namespace kel::diag::report
