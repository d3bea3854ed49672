#include "diag/disc/analysis/analysis_lines.h"

#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// Long enough for a finding that names two paths.
constexpr std::size_t kMaxLineText = kMaxMessageText;

struct Run {
    std::vector<AnalysisLine> lines;
    bool passed = true;
};

// The analysis runs on the main thread only, inside its modal dialog.
Run& run() {
    static Run state;
    return state;
}

}  // namespace

void StartAnalysisLines() {
    run().lines.clear();
    run().passed = true;
}

const std::vector<AnalysisLine>& AnalysisLines() {
    return run().lines;
}

void AddAnalysisLineArgs(int id, std::span<const FormatArg> args) {
    const std::string message = LoadResString(id);
    const std::string_view format = std::string_view(message).substr(0, kMaxAnalysisMessage);
    AnalysisLine line{FormatText(format, args, kMaxLineText), id};
    if (logSwitches().debugMode) {
        DebugLog("%s", line.text);
    }
    run().lines.push_back(std::move(line));
}

void AddAnalysisRule() {
    run().lines.push_back({std::string(kRuleText), 0});
}

bool AnalysisPassed() {
    return run().passed;
}

void MarkQuestionable() {
    run().passed = false;
}

void RestoreAnalysisVerdict(bool passed) {
    run().passed = passed;
}

}  // namespace kel::diag
