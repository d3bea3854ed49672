#include "diag/tools/tracked_alloc.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "diag/tools/debug_log.h"
#include "diag/tools/log_cycle.h"
#include "platform/base/log.h"

namespace kel::diag {
namespace {

void reportOnStandardError() {
    log::warning("MORVALE", "Insufficient storage for processing.");
}

std::atomic<AllocationFailureReporter>& failureReporter() {
    static std::atomic<AllocationFailureReporter> reporter{&reportOnStandardError};
    return reporter;
}

// Memory has just run out: the user is told, and the error line is built in
// a fixed buffer on the stack. Nothing here may come back to TrackedAlloc,
// and a further failure below must not escape to the caller, who only
// expects null.
void reportFailure(std::int32_t size, const char* module, int line) noexcept {
    try {
        failureReporter().load()();
    } catch (...) {
        // The message could not be shown; the caller still gets null.
    }
    if (!logSwitches().debugMode) {
        return;
    }
    char text[kMaxLogLine + 1];
    std::snprintf(text, sizeof text, "Error allocating storage from %s, line %d, size=%d",
                  module ? module : "(null)", line, static_cast<int>(size));
    try {
        LogCycle cycle;
        cycle.writeLine(text);
    } catch (...) {
        // Not even the log could take the line.
    }
}

}  // namespace

void SetAllocationFailureReporter(AllocationFailureReporter reporter) {
    failureReporter().store(reporter ? reporter : &reportOnStandardError);
}

void* TrackedAlloc(std::int32_t size, const char* module, int line) {
    const bool tracing = logSwitches().allocationTracing;
    if (tracing) {
        DebugLog("Allocating memory: %d bytes from line %d in %s", size, line, module);
    }
    // A zero-byte request still gets a block of its own, as callers expect.
    void* block = size < 0 ? nullptr : std::malloc(size == 0 ? 1 : static_cast<std::size_t>(size));
    if (tracing) {
        DebugLog("Allocated memory at %p", static_cast<const void*>(block));
    }
    if (block == nullptr) {
        reportFailure(size, module, line);
    }
    return block;
}

void TrackedFree(void* block, const char* module, int line) {
    if (logSwitches().allocationTracing) {
        DebugLog("Freeing memory at %p from line %d in %s", static_cast<const void*>(block), line,
                 module);
    }
    std::free(block);
}

}  // namespace kel::diag
