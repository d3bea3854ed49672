// Test helper started by the process tests. It writes what it was started with
// to the file named by KEL_TEST_RECORD, one "key=value" line each, replacing
// the file in one rename so that a reader never sees half of it.
//   process_recorder [--delay-ms N] [--watch PID] args...   record, after N ms
//   process_recorder --spawn PROGRAM    start "PROGRAM --delay-ms 300 --watch <own pid>
//                                       survived" and exit at once
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/process/launch.h"

namespace {

// "gone" once the process has ended (a zombie has ended too).
std::string stateOf(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return "gone";
    }
    std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z'
               ? "gone"
               : "running";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--spawn") == 0) {
        std::string line = std::string(argv[2]) + " --delay-ms 300 --watch " +
                           std::to_string(::getpid()) + " survived";
        return kel::process::startProgram(line) >= 32 ? 0 : 1;
    }
    const char* record = std::getenv("KEL_TEST_RECORD");
    if (!record) {
        return 2;
    }
    int first = 1;
    std::string watched;
    while (first + 1 < argc) {
        if (std::strcmp(argv[first], "--delay-ms") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[first + 1])));
        } else if (std::strcmp(argv[first], "--watch") == 0) {
            watched = stateOf(argv[first + 1]);
        } else {
            break;
        }
        first += 2;
    }
    std::string temporary = std::string(record) + ".part";
    {
        std::ofstream out(temporary);
        out << "pid=" << ::getpid() << "\n";
        out << "sid=" << ::getsid(0) << "\n";
        out << "cwd=" << std::filesystem::current_path().string() << "\n";
        out << "stdin=" << std::filesystem::read_symlink("/proc/self/fd/0").string() << "\n";
        if (!watched.empty()) {
            out << "watched=" << watched << "\n";
        }
        for (int i = first; i < argc; ++i) {
            out << "arg=" << argv[i] << "\n";
        }
    }
    std::rename(temporary.c_str(), record);
    return 0;
}
