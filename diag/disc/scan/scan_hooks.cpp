#include "diag/disc/scan/scan_hooks.h"

namespace kel::diag {
namespace {

// Written on the main thread before a scan starts and read by the scan
// thread only while it runs: the busy flag orders the two.
ScanHooks& installed() {
    static ScanHooks hooks;
    return hooks;
}

}  // namespace

void SetScanHooks(ScanHooks hooks) {
    installed() = std::move(hooks);
}

const ScanHooks& CurrentScanHooks() {
    return installed();
}

}  // namespace kel::diag
