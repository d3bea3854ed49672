// The allocator that every module of the diagnostic program takes its working
// buffers from. Each call names the caller's source file and line, for the
// trace lines of allocation tracing and for the error line of a failure.
//
// A null result has already been reported to the user (message 111); the
// caller abandons its operation. The block is plain heap memory, not
// initialised, and goes back through TrackedFree.
#pragma once

#include <cstdint>

namespace kel::diag {

// A size below zero is refused (null, reported like any other failure).
void* TrackedAlloc(std::int32_t size, const char* module, int line);

// Null is allowed and only traced.
void TrackedFree(void* block, const char* module, int line);

// Who tells the user that an allocation failed. The message layer installs
// itself here when it gets its context (messages.h, SetMessageContext); until
// then a failure is only written to standard error. The reporter is called on
// the failing thread and must not allocate through TrackedAlloc.
using AllocationFailureReporter = void (*)();
void SetAllocationFailureReporter(AllocationFailureReporter reporter);

}  // namespace kel::diag
