// The rates of the last scans, against which a new scan is judged: recovered
// and unreadable blocks in hundredths of a percent of the samples read. With
// fixed thresholds switched on, the same settings values hold the two
// thresholds instead, read as a history of one scan.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel::diag {

inline constexpr int kHistoryLength = 10;

struct ErrorHistory {
    std::array<std::int32_t, kHistoryLength> recovered{};
    std::array<std::int32_t, kHistoryLength> unreadable{};
    int count = 0;

    bool operator==(const ErrorHistory&) const = default;
};

// Up to ten numbers separated by ",", read as far as they go; `read` is
// how many were read (0 for none).
std::array<std::int32_t, kHistoryLength> ParseRates(std::string_view text, int& read);
// The first `count` rates joined by ","; "" for none.
std::string FormatRates(const std::array<std::int32_t, kHistoryLength>& rates, int count);

// "ErrorRecovered" and "ErrorUnrecovered" of the settings key; the count is
// that of the recovered list.
ErrorHistory ReadErrorHistory();
void WriteErrorHistory(const ErrorHistory& history);

// Adds the new rates to the history (unless the history holds thresholds)
// and tells whether the disc is good.
bool JudgeErrorRates(std::int32_t recoveredRate, std::int32_t unreadableRate, ErrorHistory& history,
                     bool thresholdsEnabled);

}  // namespace kel::diag
