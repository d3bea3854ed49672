// A debug log of its own for each test, read back whole.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "diag/tools/debug_log.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::test {

// A pointer as the debug log writes it: hexadecimal at the full width.
inline std::string fullWidth(const void* pointer) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*zx", static_cast<int>(sizeof(void*) * 2),
                  reinterpret_cast<std::size_t>(pointer));
    return text;
}

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kel::test::makeUniqueFolder("kel_log_");
        SetDebugLogPath(logPath());
        logSwitches().debugMode = false;
        logSwitches().allocationTracing = false;
        logSwitches().writeThrough = false;
    }
    void TearDown() override {
        SetDebugLogPath({});
        logSwitches().debugMode = false;
        logSwitches().allocationTracing = false;
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path logPath() const { return dir_ / "TEST.DBG"; }

    std::string logText() const {
        std::ifstream in(logPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The log's lines, split at CR LF.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        const std::string text = logText();
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) {
                lines.push_back(text.substr(at));
                break;
            }
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }

    std::filesystem::path dir_;
};

}  // namespace kel::diag::test
