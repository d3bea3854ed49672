#include "diag/tools/report/register_dumps.h"

#include "diag/tools/report/machine_context.h"

namespace kel::diag::report {

std::uint16_t DumpRegisterMemory(const ucontext_t& context, MemoryProbe& probe, ReportFile& file) {
    constexpr RegisterId kOrder[] = {kRax, kRbx, kRcx, kRdx, kRsi, kRdi, kRbp, kRip, kRsp};
    constexpr std::uintptr_t kHalf = kDumpBytes / 2;
    std::uint16_t written = 0;
    for (RegisterId id : kOrder) {
        const std::uintptr_t value = RegisterValue(context, id);
        if (value < kLowestUserAddress || value >= kUserSpaceEnd) {
            continue;
        }
        MemoryDumpRecord record;
        record.registerId = id;
        record.value = value;
        // Another thread may unmap the range between a check and a copy: the
        // copy is the check.
        if (probe.copy(value - kHalf, kDumpBytes, record.bytes) != kDumpBytes) {
            continue;
        }
        if (!file.WriteReportBlock(&record, sizeof record)) {
            break;
        }
        ++written;
    }
    return written;
}

}  // namespace kel::diag::report
