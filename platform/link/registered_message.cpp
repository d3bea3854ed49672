#include "registered_message.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/base/log.h"
#include "platform/link/link_dir.h"

namespace kel::link {
namespace {

constexpr std::uint32_t kFirstId = 0xC000;
constexpr std::uint32_t kIdCount = 0x4000;
constexpr std::size_t kMaxNameLength = 255;

std::string folded(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The table file holds one folded name per line; a name's id is its line's
// index. Lines are only ever appended, so an id never changes once given.
class NameTable {
public:
    explicit NameTable(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {}
    ~NameTable() {
        if (fd_ >= 0) {
            ::close(fd_);  // also drops the lock
        }
    }
    NameTable(const NameTable&) = delete;
    NameTable& operator=(const NameTable&) = delete;

    bool lock() { return fd_ >= 0 && ::flock(fd_, LOCK_EX) == 0; }

    bool readAll(std::string& text) {
        char buffer[4096];
        ssize_t n;
        while ((n = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return n == 0;
    }

    bool append(const std::string& text, std::size_t at) {
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::pwrite(fd_, text.data() + done, text.size() - done,
                                 static_cast<off_t>(at + done));
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

}  // namespace

std::uint32_t registerMessage(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength ||
        name.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos) {
        log::warning("link", "refusing to register an empty, overlong or multi-line name");
        return 0;
    }
    std::string path = (linkDir() / "messages").string();
    NameTable table(path);
    std::string text;
    if (!table.lock() || !table.readAll(text)) {
        log::warning("link", path + ": " + std::strerror(errno));
        return 0;
    }
    std::string wanted = folded(name);
    // A table cut short by a crash may end without its line break: that line
    // still counts, and a new name starts on a line of its own.
    std::size_t index = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (std::string_view(text).substr(start, end - start) == wanted) {
            return index < kIdCount ? kFirstId + static_cast<std::uint32_t>(index) : 0;
        }
        ++index;
        start = end + 1;
    }
    if (index >= kIdCount) {
        log::warning("link", path + ": no message ids left for " + std::string(name));
        return 0;
    }
    std::string line = (text.empty() || text.back() == '\n' ? "" : "\n") + wanted + "\n";
    if (!table.append(line, text.size())) {
        log::warning("link", path + ": " + std::strerror(errno));
        return 0;
    }
    return kFirstId + static_cast<std::uint32_t>(index);
}

}  // namespace kel::link
