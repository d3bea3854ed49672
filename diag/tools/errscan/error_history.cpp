#include "diag/tools/errscan/error_history.h"

#include <algorithm>
#include <numeric>

#include "diag/device/registry_key.h"
#include "diag/tools/errscan/decimal_field.h"

namespace kel::diag {
namespace {

// Good without a history to compare with: no unreadable block and at most
// half a percent recovered.
constexpr std::int32_t kRecoveredLimit = 50;
// Below this many scans the history says too little to compare with.
constexpr int kTrustedHistory = 7;

std::int64_t average(const std::array<std::int32_t, kHistoryLength>& rates, int count) {
    return std::accumulate(rates.begin(), rates.begin() + count, std::int64_t{0}) / count;
}

void replaceFirstGreater(std::array<std::int32_t, kHistoryLength>& rates, std::int32_t rate) {
    auto greater = std::find_if(rates.begin(), rates.end(), [rate](auto r) { return r > rate; });
    if (greater != rates.end()) {
        *greater = rate;
    }
}

}  // namespace

std::array<std::int32_t, kHistoryLength> ParseRates(std::string_view text, int& read) {
    std::array<std::int32_t, kHistoryLength> rates{};
    read = 0;
    std::size_t at = 0;
    while (read < kHistoryLength) {
        if (read > 0) {
            if (at >= text.size() || text[at] != ',') {
                break;
            }
            ++at;
        }
        if (!ReadDecimalField(text, at, rates[static_cast<std::size_t>(read)])) {
            break;
        }
        ++read;
    }
    return rates;
}

std::string FormatRates(const std::array<std::int32_t, kHistoryLength>& rates, int count) {
    std::string text;
    for (int i = 0; i < std::clamp(count, 0, kHistoryLength); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(rates[static_cast<std::size_t>(i)]);
    }
    return text;
}

ErrorHistory ReadErrorHistory() {
    ErrorHistory history;
    RegistryKey key;
    if (!key.Open()) {
        return history;
    }
    int unused = 0;
    history.recovered = ParseRates(key.ReadString("ErrorRecovered", ""), history.count);
    history.unreadable = ParseRates(key.ReadString("ErrorUnrecovered", ""), unused);
    return history;
}

void WriteErrorHistory(const ErrorHistory& history) {
    RegistryKey key;
    if (!key.Open()) {
        return;
    }
    key.WriteString("ErrorRecovered", FormatRates(history.recovered, history.count));
    key.WriteString("ErrorUnrecovered", FormatRates(history.unreadable, history.count));
}

bool JudgeErrorRates(std::int32_t recoveredRate, std::int32_t unreadableRate, ErrorHistory& history,
                     bool thresholdsEnabled) {
    int& n = history.count;
    n = std::clamp(n, 0, kHistoryLength);
    if (n < kHistoryLength) {
        if (!thresholdsEnabled) {
            history.recovered[static_cast<std::size_t>(n)] = recoveredRate;
            history.unreadable[static_cast<std::size_t>(n)] = unreadableRate;
            ++n;
        }
    } else {
        // A full history keeps its best scans: a better rate takes the
        // place of the first worse one.
        replaceFirstGreater(history.recovered, recoveredRate);
        replaceFirstGreater(history.unreadable, unreadableRate);
    }
    // Thresholds switched on but never given leave nothing to compare with:
    // the fixed limits apply as for a short history.
    if ((n < kTrustedHistory && !thresholdsEnabled) || n == 0) {
        return unreadableRate <= 0 && recoveredRate <= kRecoveredLimit;
    }
    if (recoveredRate < kRecoveredLimit && unreadableRate == 0) {
        return true;
    }
    return recoveredRate <= average(history.recovered, n) &&
           unreadableRate <= average(history.unreadable, n);
}

}  // namespace kel::diag
