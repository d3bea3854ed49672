// The debug log of the diagnostic program: a text file beside the program,
// named after the program file with the extension DBG (MORVALE.DBG), to which
// every thread appends lines and hex dumps.
//
// The file is opened before and closed after every line (and every whole
// dump) under one process-wide lock, so that lines of different threads never
// interleave and a failed write never leaves a handle behind for the next
// line. Lines carry no time stamp; a write that fails drops the rest of that
// line or dump, silently: the log must never disturb the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "diag/tools/format_text.h"

namespace kel::diag {

// The three switches that the command line and the options set. Callers test
// debugMode before writing their own lines.
struct LogSwitches {
    std::atomic<bool> debugMode{false};
    // Each line reaches the disk before the write returns.
    std::atomic<bool> writeThrough{false};
    // TrackedAlloc and TrackedFree write trace lines.
    std::atomic<bool> allocationTracing{false};
};
LogSwitches& logSwitches();

// The log's file name for a program file: its name (the folders do not count)
// with the extension, if any, replaced by "DBG"; "MORVALE.DBG" for no name.
std::string DebugLogFileName(std::string_view programFile);
// Where the log lies: beside the program, under DebugLogFileName.
std::filesystem::path DebugLogPath();
// Moves the log elsewhere (tests); an empty path goes back to DebugLogPath().
void SetDebugLogPath(const std::filesystem::path& path);

// Longest line that DebugLog writes, in bytes; a longer line is cut.
inline constexpr std::size_t kMaxLogLine = 599;

// Formats one line (format_text.h) and appends it with CR LF.
void DebugLogArgs(std::string_view format, std::span<const FormatArg> args);
template <typename... Args>
void DebugLog(std::string_view format, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    DebugLogArgs(format, std::span<const FormatArg>(packed, sizeof...(Args)));
}

// "\r\n--------- title ---------" and a hex dump of the first `length` bytes:
// a length below 1 means 256, and at most 8192 bytes and never more than the
// buffer holds are dumped. A title is cut to 77 bytes.
void DumpBlock(std::span<const std::uint8_t> buffer, int length, std::string_view title);

// "\r\n--------- Sector n: title ---------" and a dump of 2048 bytes (fewer
// when the buffer is shorter). A title is cut to 57 bytes.
void DumpSector(std::span<const std::uint8_t> buffer, int sector, std::string_view title);

// The two lines that open each scan's part of the log: the program version
// ("*** Error ***" when empty) and the version of the window controls library.
void WriteLogHeader(std::string_view programVersion);

// A system library's version as major << 16 | minor, or 0 when it is not
// known. "comctl32.dll", the window controls library, stands for the widget
// toolkit the program's windows are built with.
std::uint32_t GetDllVersion(std::string_view libraryName);

}  // namespace kel::diag
