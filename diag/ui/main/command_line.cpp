#include "diag/ui/main/command_line.h"

#include <algorithm>
#include <optional>

#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kMaxDebugValue = 15;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The digits after "-D": a whole base-10 number from 1 to 15, or nothing.
std::optional<int> debugValue(std::string_view digits) {
    if (digits.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        // Stops growing once out of range, so a long run cannot overflow.
        value = std::min(value * 10 + (c - '0'), kMaxDebugValue + 1);
    }
    if (value < 1 || value > kMaxDebugValue) {
        return std::nullopt;
    }
    return value;
}

void setDebugSwitches(int value) {
    LogSwitches& switches = logSwitches();
    OptionsBlock& options = Options();
    if ((value & 1) != 0) {
        switches.debugMode = true;
        options.debugMode = 1;
    }
    if ((value & 2) != 0) {
        switches.writeThrough = true;
        options.logWriteThrough = 1;
    }
    if ((value & 4) != 0) {
        switches.allocationTracing = true;
        options.allocationTracing = 1;
    }
}

bool applyToken(std::string_view token) {
    if (token.size() < 2 || (token[0] != '-' && token[0] != '/')) {
        return false;
    }
    switch (token[1]) {
        case 'c':
        case 'C':
            Options().cSwitch = 1;
            return true;
        case 'd':
        case 'D': {
            // Debug mode comes first, so that a bad value is logged too.
            setDebugSwitches(1);
            const std::string_view rest = token.substr(2);
            if (rest.empty()) {
                return true;
            }
            const std::optional<int> value = debugValue(rest);
            if (!value) {
                return false;
            }
            setDebugSwitches(*value);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool ParseCommandLine(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (isBlank(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !isBlank(text[end])) {
            ++end;
        }
        const std::string_view token = text.substr(at, end - at);
        if (!applyToken(token)) {
            ShowMessage(206, token);
            return false;
        }
        at = end;
    }
    return true;
}

}  // namespace kel::diag
