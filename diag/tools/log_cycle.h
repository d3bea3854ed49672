// One open-write-close cycle of the debug log, under the log lock: the file is
// opened when the cycle starts and closed when it ends, so no handle outlives
// the lines it wrote and a failed write cannot spoil a later line.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

namespace kel::diag {

class LogCycle {
public:
    // Takes the log lock and opens the log for appending; when that fails
    // every line of the cycle is dropped.
    LogCycle();
    ~LogCycle();
    LogCycle(const LogCycle&) = delete;
    LogCycle& operator=(const LogCycle&) = delete;

    // Writes the text and CR LF. After a failed write the file is closed and
    // the rest of the cycle's lines are dropped.
    void writeLine(std::string_view text);

private:
    void close();

    std::unique_lock<std::recursive_mutex> lock_;
    std::FILE* file_ = nullptr;
};

}  // namespace kel::diag
