// The problem report file: created under a new name in the temporary folder,
// written block by block, and dropped whole when a write fails for any
// reason but an unreadable source. Async-signal-safe: no allocation, no
// locks, plain system calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "diag/tools/report/report_layout.h"

namespace kel::diag::report {

inline constexpr std::size_t kMaxReportPath = 4096;

class ReportFile {
public:
    ReportFile() = default;
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Creates "<folder>/PRBxxxx.TMP" under a name no other file has (xxxx
    // four hex digits), readable by the user only, and counts from its start;
    // a report still open is closed first. False when no name in the folder
    // can be created.
    bool Create(const char* folder);
    const char* path() const { return path_; }

    // Writes the 32-bit length first when asked, then the data. Memory that
    // cannot be read makes this block fail but keeps the file for the next
    // ones; any other failure deletes the file, and every later write does
    // nothing.
    bool WriteReportBlock(const void* data, std::uint32_t length, bool withLength);
    bool WriteReportBlock(const void* data, std::uint32_t length) {
        return WriteReportBlock(data, length, false);
    }
    // Puts the final header over the first one.
    bool RewriteHeader(const ReportHeader& header);
    // Closes the file; true when it is complete (nothing dropped it).
    bool Close();

    std::uint64_t position() const { return position_; }
    bool dropped() const { return dropped_; }

private:
    bool writeAll(const void* data, std::size_t length);
    void drop();

    int fd_ = -1;
    bool dropped_ = false;
    std::uint64_t position_ = 0;
    char path_[kMaxReportPath] = {};
};

}  // namespace kel::diag::report
