#include "diag/tools/log_cycle.h"

#include "diag/tools/debug_log.h"

namespace kel::diag {
namespace {

// Recursive: an allocation traced from inside a cycle logs again.
std::recursive_mutex& logMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

LogCycle::LogCycle() : lock_(logMutex()) {
    file_ = std::fopen(DebugLogPath().c_str(), "ab");
}

LogCycle::~LogCycle() {
    close();
}

void LogCycle::writeLine(std::string_view text) {
    if (file_ == nullptr) {
        return;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size() &&
                         std::fwrite("\r\n", 1, 2, file_) == 2 &&
                         (!logSwitches().writeThrough || std::fflush(file_) == 0);
    if (!written) {
        close();
    }
}

void LogCycle::close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace kel::diag
