#include "diag/tools/report/stack_walk.h"

#include <unwind.h>

#include <algorithm>
#include <cstring>

#include "diag/tools/report/loaded_symbols.h"
#include "diag/tools/report/machine_context.h"

namespace kel::diag::report {
namespace {

// The unwinder hands each frame over with the stack pointer it had at its
// call (or, for the faulting frame, at the fault); a frame's frame address
// is therefore its caller's stack pointer.
struct WalkedFrame {
    std::uintptr_t pc;
    std::uintptr_t stack;
};

// Room for the handler's own frames and the signal frame before the fault.
constexpr std::size_t kMaxWalked = kMaxFrames + 16;

struct Walk {
    WalkedFrame frames[kMaxWalked];
    std::size_t count = 0;
};

_Unwind_Reason_Code collectFrame(_Unwind_Context* context, void* argument) {
    auto* walk = static_cast<Walk*>(argument);
    if (walk->count == kMaxWalked) {
        return _URC_END_OF_STACK;
    }
    int beforeInstruction = 0;
    const std::uintptr_t pc = _Unwind_GetIPInfo(context, &beforeInstruction);
    if (pc == 0) {
        return _URC_END_OF_STACK;
    }
    walk->frames[walk->count++] = {pc, _Unwind_GetCFA(context)};
    return _URC_NO_REASON;
}

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// `lookup` is the pc itself for the faulting frame and the byte before the
// return address for the callers, so that a call at a function's very end
// is named after the caller, not after whatever follows it.
void nameFrame(FrameRecord& record, std::uintptr_t lookup) {
    CodeLocation location;
    if (!LocateCode(lookup, location)) {
        return;
    }
    record.moduleBase = location.moduleBase;
    if (location.modulePath != nullptr) {
        CopyCut(record.moduleName, baseName(location.modulePath));
    }
    if (location.function != nullptr) {
        CopyCut(record.functionName, {location.function, location.functionLength});
        record.functionOffset = record.pc.offset - location.functionStart;
    }
}

// Length and start of the data that follows a frame record.
struct FrameData {
    std::uintptr_t start = 0;
    std::uint32_t length = 0;
};

FrameData frameData(std::uintptr_t stack, std::uintptr_t frame, MemoryProbe& probe) {
    if (frame >= stack && frame - stack <= kMaxFrameData && probe.readable(stack, frame - stack)) {
        return {stack, static_cast<std::uint32_t>(frame - stack)};
    }
    if (probe.readable(stack, kFallbackFrameData)) {
        return {stack, kFallbackFrameData};
    }
    return {};
}

// Copies memory into the file through the probe, so that memory unmapped
// since it was checked gives zeros rather than a record whose length lies.
bool writeMemory(ReportFile& file, MemoryProbe& probe, FrameData data) {
    static std::uint8_t buffer[MemoryProbe::kChunk];
    while (data.length > 0) {
        const std::size_t part = std::min<std::size_t>(data.length, sizeof buffer);
        const std::size_t got = probe.copy(data.start, part, buffer);
        std::memset(buffer + got, 0, part - got);
        if (!file.WriteReportBlock(buffer, static_cast<std::uint32_t>(part))) {
            return false;
        }
        data.start += part;
        data.length -= static_cast<std::uint32_t>(part);
    }
    return true;
}

bool writeFrame(std::uintptr_t pc, std::uintptr_t stack, std::uintptr_t frame, bool faulting,
                MemoryProbe& probe, ReportFile& file) {
    FrameRecord record;
    record.stack.offset = stack;
    record.frame.offset = frame;
    record.pc.offset = pc;
    nameFrame(record, faulting ? pc : pc - 1);
    std::uint8_t words[sizeof record.parameters];
    if (frame != 0 && probe.copy(frame, sizeof words, words) == sizeof words) {
        std::memcpy(record.parameters, words, sizeof words);
    }
    const FrameData data = frameData(stack, frame, probe);
    record.dataLength = data.length;
    return file.WriteReportBlock(&record, sizeof record) && writeMemory(file, probe, data);
}

}  // namespace

void PrimeStackWalk() {
    Walk walk;
    _Unwind_Backtrace(collectFrame, &walk);
}

std::uint16_t WriteStackFrames(const ucontext_t& context, MemoryProbe& probe, ReportFile& file) {
    Walk walk;
    _Unwind_Backtrace(collectFrame, &walk);
    // The walk starts in the handler; the report starts at the fault, which
    // the unwinder reaches through the signal frame.
    const std::uintptr_t faultPc = ProgramCounter(context);
    std::size_t first = 0;
    while (first < walk.count && walk.frames[first].pc != faultPc) {
        ++first;
    }
    if (first == walk.count) {
        // The unwinder could not get past the signal frame: the fault alone,
        // with the frame pointer as its frame address.
        return writeFrame(faultPc, StackPointer(context), FramePointer(context), true, probe, file)
                   ? 1
                   : 0;
    }
    std::uint16_t written = 0;
    for (std::size_t i = first; i < walk.count && written < kMaxFrames; ++i) {
        // The outermost frame's caller is unknown, and with it its frame address.
        const std::uintptr_t frame = i + 1 < walk.count ? walk.frames[i + 1].stack : 0;
        if (!writeFrame(walk.frames[i].pc, walk.frames[i].stack, frame, i == first, probe, file)) {
            break;
        }
        ++written;
    }
    return written;
}

}  // namespace kel::diag::report
