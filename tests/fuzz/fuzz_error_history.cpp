// The error summary's history as the settings store gives it back: any text
// in "ErrorRecovered" and "ErrorUnrecovered". What is read must write back
// to a text that reads the same, and judging with it must not fail.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diag/tools/errscan/error_history.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t split = text.find('\n');
    ErrorHistory history;
    int unreadable = 0;
    history.recovered = ParseRates(text.substr(0, split), history.count);
    history.unreadable =
        ParseRates(split == std::string_view::npos ? "" : text.substr(split + 1), unreadable);
    if (history.count < 0 || history.count > kHistoryLength) {
        std::abort();
    }
    int again = 0;
    const auto reread = ParseRates(FormatRates(history.recovered, history.count), again);
    if (again != history.count ||
        !std::equal(reread.begin(), reread.begin() + again, history.recovered.begin())) {
        std::abort();
    }
    const std::int32_t rate = size > 0 ? static_cast<std::int32_t>(data[0]) * 40 : 0;
    JudgeErrorRates(rate, rate / 3, history, size > 1 && (data[1] & 1) != 0);
    return 0;
}
