#include "log.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace kel::log {

void warning(std::string_view component, std::string_view text) {
    static std::mutex mutex;
    std::string line;
    line.reserve(component.size() + text.size() + 4);
    line.append(component).append(": ").append(text).append("\n");
    std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace kel::log
