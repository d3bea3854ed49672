#include "unix_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace kel::link {
namespace {

bool fillAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

int newSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

}  // namespace

int listenAt(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        throw std::system_error(ENAMETOOLONG, std::generic_category(), path.string());
    }
    int fd = newSocket();
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "link socket");
    }
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(), path.string());
    }
    return fd;
}

int acceptFrom(int listenFd) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

int connectTo(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        return -ENAMETOOLONG;
    }
    int fd = newSocket();
    if (fd < 0) {
        return -errno;
    }
    // A non-blocking connect to a Unix socket either completes at once or
    // fails with EAGAIN when the listener's backlog is full; wait briefly then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            return fd;
        }
        if (errno != EAGAIN) {
            break;
        }
        ::poll(nullptr, 0, 10);
    }
    int error = errno;
    ::close(fd);
    return -error;
}

ssize_t sendSome(int fd, std::span<const std::byte> bytes) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    return n >= 0 ? n : -errno;
}

ssize_t sendSome(int fd, std::span<const std::byte> first, std::span<const std::byte> second) {
    iovec parts[2] = {{const_cast<std::byte*>(first.data()), first.size()},
                      {const_cast<std::byte*>(second.data()), second.size()}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    ssize_t n = ::sendmsg(fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
    return n >= 0 ? n : -errno;
}

ssize_t receiveSome(int fd, std::span<std::byte> bytes) {
    ssize_t n = ::recv(fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
    return n >= 0 ? n : -errno;
}

bool sendAllWithin(int fd, std::span<const std::byte> bytes, int timeoutMs) {
    while (!bytes.empty()) {
        ssize_t n = sendSome(fd, bytes);
        if (n == -EAGAIN || n == -EINTR) {
            if (!waitFor(fd, POLLOUT, -1, timeoutMs).first) {
                return false;
            }
            continue;
        }
        if (n < 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

Readiness waitFor(int first, short firstEvents, int second, int timeoutMs) {
    pollfd fds[2] = {{first, firstEvents, 0}, {second, POLLIN, 0}};
    int count = second >= 0 ? 2 : 1;
    auto poll = [&](int ms) {
        int n;
        do {
            n = ::poll(fds, static_cast<nfds_t>(count), ms);
        } while (n < 0 && errno == EINTR);
        return n;
    };
    int n = timeoutMs < 0 ? spinThenBlock(poll) : poll(timeoutMs);
    Readiness ready;
    if (n > 0) {
        ready.first = fds[0].revents != 0;
        ready.second = count == 2 && fds[1].revents != 0;
    }
    return ready;
}

void closeFd(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace kel::link
