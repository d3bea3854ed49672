// What the compare worker shows: the four steps it runs on the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/compare/result_line.h"

namespace kel::compare {

class CompareView {
public:
    virtual ~CompareView() = default;

    virtual void AddResultLine(const ResultLine& line) = 0;
    // The lines of one step, shown together.
    virtual void AddResultLines(const std::vector<ResultLine>& lines) {
        for (const ResultLine& line : lines) {
            AddResultLine(line);
        }
    }
    // Left-aligned, normal style from here on.
    virtual void StartSummary() = 0;
    virtual void ShowProgress(int position, std::int32_t sectorsDone) = 0;
    // The run is over: the controls come back; media polling restarts when
    // `restartPolling`.
    virtual void RunFinished(bool restartPolling) = 0;
};

}  // namespace kel::compare
