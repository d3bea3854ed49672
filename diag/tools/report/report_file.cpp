#include "diag/tools/report/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kel::diag::report {
namespace {

constexpr char kPrefix[] = "PRB";
constexpr char kEnding[] = ".TMP";

// folder + "/" + PRBxxxx.TMP, or false when it does not fit.
bool buildName(char* out, const char* folder, unsigned number) {
    const std::size_t folderLength = std::strlen(folder);
    const std::size_t nameLength = 1 + sizeof kPrefix - 1 + 4 + sizeof kEnding - 1;
    if (folderLength + nameLength + 1 > kMaxReportPath) {
        return false;
    }
    char* p = out;
    std::memcpy(p, folder, folderLength);
    p += folderLength;
    if (folderLength == 0 || folder[folderLength - 1] != '/') {
        *p++ = '/';
    }
    std::memcpy(p, kPrefix, sizeof kPrefix - 1);
    p += sizeof kPrefix - 1;
    for (int shift = 12; shift >= 0; shift -= 4) {
        *p++ = "0123456789ABCDEF"[(number >> shift) & 0xF];
    }
    std::memcpy(p, kEnding, sizeof kEnding);
    return true;
}

}  // namespace

ReportFile::~ReportFile() {
    Close();
}

bool ReportFile::Create(const char* folder) {
    // One file object serves every report of the process: a caught
    // exception's report may come before a fault's.
    Close();
    dropped_ = false;
    position_ = 0;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const unsigned start = static_cast<unsigned>(::getpid()) ^ static_cast<unsigned>(now.tv_nsec);
    for (unsigned i = 0; i < 0x10000; ++i) {
        if (!buildName(path_, folder, (start + i) & 0xFFFF)) {
            break;
        }
        fd_ = ::open(path_, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd_ >= 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    path_[0] = '\0';
    dropped_ = true;
    return false;
}

bool ReportFile::WriteReportBlock(const void* data, std::uint32_t length, bool withLength) {
    if (fd_ < 0) {
        return false;
    }
    if (withLength && !writeAll(&length, sizeof length)) {
        return false;
    }
    return writeAll(data, length);
}

bool ReportFile::writeAll(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        const ssize_t written = ::write(fd_, bytes, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // The kernel refuses to copy from unreadable memory instead of
            // faulting: that block is lost, the report is not.
            if (written < 0 && errno == EFAULT) {
                return false;
            }
            drop();
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
        position_ += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool ReportFile::RewriteHeader(const ReportHeader& header) {
    if (fd_ < 0) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
    std::size_t done = 0;
    while (done < sizeof header) {
        const ssize_t written =
            ::pwrite(fd_, bytes + done, sizeof header - done, static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            drop();
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool ReportFile::Close() {
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && errno != EINTR) {
            ::unlink(path_);
            dropped_ = true;
        }
        fd_ = -1;
    }
    return !dropped_ && path_[0] != '\0';
}

void ReportFile::drop() {
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_);
    dropped_ = true;
}

}  // namespace kel::diag::report
