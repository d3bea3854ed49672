// The scan's own thread: it has a stack of its own for the problem report's
// handler, so that even an overflow of its stack is reported.
#include <signal.h>

#include "emulated_scan.h"

namespace kel::diag::testing {
namespace {

using ScanThread = EmulatedScan;

TEST_F(ScanThread, HasAFaultStackOfItsOwn) {
    insert("[disc]\nlayout = audio\n[audio]\nlength = 2s\n");
    bool checked = false;
    bool prepared = false;
    onInsert_ = [&](FileNode&) {
        stack_t stack{};
        checked = ::sigaltstack(nullptr, &stack) == 0;
        prepared = checked && (stack.ss_flags & SS_DISABLE) == 0 && stack.ss_size > 0;
    };
    scan();
    ASSERT_TRUE(checked) << "the scan inserted a node";
    EXPECT_TRUE(prepared);
}

}  // namespace
}  // namespace kel::diag::testing
