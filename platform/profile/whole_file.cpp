#include "whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/process_gone.h"

namespace kel::profile {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now, so that a failing close (a delayed write error) is seen.
    std::error_code close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code() : lastError();
    }

private:
    int fd_;
};

std::error_code writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// The rename itself is only durable once the folder's entry is on disk.
void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The new bytes into the temporary file `fd`, with the mode `file` has (or
// `newFileMode` for a new one), on the disk and closed.
std::error_code fillTemporary(Descriptor& fd, const std::filesystem::path& file,
                              std::string_view bytes, unsigned newFileMode) {
    struct stat st {};
    mode_t mode = ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode;
    std::error_code error;
    if (::fchmod(fd.get(), mode) != 0) {
        error = lastError();
    }
    if (!error) {
        error = writeAll(fd.get(), bytes);
    }
    if (!error && ::fsync(fd.get()) != 0) {
        error = lastError();
    }
    if (std::error_code closed = fd.close(); !error) {
        error = closed;
    }
    return error;
}

// A writer's temporary file beside `file`: ".NAME.<writer's pid>.XXXXXX".
std::string temporaryPrefix(const std::filesystem::path& file, pid_t writer) {
    return "." + file.filename().string() + "." + std::to_string(writer) + ".";
}

// The writer named in a temporary file's name, or -1 for any other file.
pid_t writerOf(std::string_view name, std::string_view filePrefix) {
    if (!name.starts_with(filePrefix)) {
        return -1;
    }
    std::string_view rest = name.substr(filePrefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos || dot == 0 || rest.size() - dot - 1 != 6) {
        return -1;
    }
    pid_t writer = 0;
    const char* digitsEnd = rest.data() + dot;
    auto [end, ec] = std::from_chars(rest.data(), digitsEnd, writer);
    return ec == std::errc() && end == digitsEnd ? writer : -1;
}

// A writer killed between its temporary file and the rename leaves the file
// behind for good unless a later writer takes it away.
void removeTemporariesOfDeadWriters(const std::filesystem::path& folder,
                                    const std::filesystem::path& file) {
    const std::string filePrefix = "." + file.filename().string() + ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const pid_t writer = writerOf(entry.path().filename().string(), filePrefix);
        if (writer > 0 && writer != ::getpid() && ProcessGone(writer)) {
            ::unlink(entry.path().c_str());
        }
    }
}

}  // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         std::error_code& error, bool* opened) {
    error.clear();
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (opened != nullptr) {
        *opened = fd.get() >= 0;
    }
    if (fd.get() < 0) {
        if (errno != ENOENT) {
            error = lastError();
        }
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = lastError();
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        ssize_t n = ::read(fd.get(), chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = lastError();
            return std::nullopt;
        }
        if (n == 0) {
            return bytes;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            error = std::make_error_code(std::errc::file_too_large);
            return std::nullopt;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
}

std::error_code replaceWholeFile(const std::filesystem::path& file, std::string_view bytes,
                                 unsigned newFileMode) {
    std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    removeTemporariesOfDeadWriters(folder, file);
    std::string temp = (folder / (temporaryPrefix(file, ::getpid()) + "XXXXXX")).string();
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return lastError();
    }
    std::error_code error = fillTemporary(fd, file, bytes, newFileMode);
    if (!error && ::rename(temp.c_str(), file.c_str()) != 0) {
        error = lastError();
    }
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    syncFolder(folder);
    return {};
}

ReplaceResult replaceFileThrough(const std::filesystem::path& file,
                                 const std::filesystem::path& temporary, std::string_view bytes,
                                 unsigned newFileMode) {
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0) {
        return {ReplaceStep::Create, lastError()};
    }
    if (std::error_code error = fillTemporary(fd, file, bytes, newFileMode)) {
        ::unlink(temporary.c_str());
        return {ReplaceStep::Write, error};
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        return {ReplaceStep::Rename, lastError()};
    }
    syncFolder(file.parent_path().empty() ? "." : file.parent_path());
    return {};
}

}  // namespace kel::profile
