// The lines of one analysis run: every finding is a string-table message
// formatted with its arguments, and keeps its message number, which is also
// the number of the help topic that explains it. A run also carries one
// verdict: it passes until a check finds a condition that makes the disc
// questionable for replication.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "diag/tools/format_text.h"
#include "diag/ui/list_line_codes.h"

namespace kel::diag {

struct AnalysisLine {
    std::string text;
    int id = 0;  // 0 for a rule line
};

// Text columns of the list's copy on the clipboard.
inline constexpr int kAnalysisTextColumns[] = {10, 20, 30, 40, 50, 60};

// Longest message text taken from the string table, in characters.
inline constexpr std::size_t kMaxAnalysisMessage = 200;

// Empties the lines and sets the passed flag: the start of a run.
void StartAnalysisLines();
// The lines so far, in order.
const std::vector<AnalysisLine>& AnalysisLines();

void AddAnalysisLineArgs(int id, std::span<const FormatArg> args);
// Message `id` formatted with `args` as the last line; in debug mode the
// text goes to the debug log too.
template <typename... Args>
void AddAnalysisLine(int id, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    AddAnalysisLineArgs(id, std::span<const FormatArg>(packed, sizeof...(Args)));
}
void AddAnalysisRule();

// The verdict of the run.
bool AnalysisPassed();
// A finding that makes replication questionable.
void MarkQuestionable();
// For checks whose findings never change the verdict: what it was before.
void RestoreAnalysisVerdict(bool passed);

}  // namespace kel::diag
