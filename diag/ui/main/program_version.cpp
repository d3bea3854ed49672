#include "diag/ui/main/program_version.h"

#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// The product version: most significant half first, each half as its high
// and low word.
constexpr int kProductVersion[4] = {2, 1, 0, 0};

}  // namespace

std::string GetVersionText() {
    const FormatArg parts[] = {kProductVersion[0], kProductVersion[1], kProductVersion[2],
                               kProductVersion[3]};
    return FormatText(LoadResString(121), parts, 40);
}

}  // namespace kel::diag
