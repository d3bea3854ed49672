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

ssize_t sendSome(int fd, std::span<const std::byte> first, std::span<const std::byte> second,
                 int passFd) {
    iovec parts[2] = {{const_cast<std::byte*>(first.data()), first.size()},
                      {const_cast<std::byte*>(second.data()), second.size()}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    if (passFd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &passFd, sizeof(int));
    }
    ssize_t n = ::sendmsg(fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
    return n >= 0 ? n : -errno;
}

ssize_t receiveSome(int fd, std::span<std::byte> bytes) {
    ssize_t n = ::recv(fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
    return n >= 0 ? n : -errno;
}

ssize_t receiveSome(int fd, std::span<std::byte> bytes, int& passedFd) {
    passedFd = -1;
    iovec part{bytes.data(), bytes.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    // Room for a few descriptors, so that a peer sending more than one cannot
    // make the kernel drop them silently into a truncated buffer unnoticed.
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (n < 0) {
        return -errno;
    }
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) {
            continue;
        }
        std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int received;
            std::memcpy(&received, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
            if (passedFd < 0) {
                passedFd = received;
            } else {
                ::close(received);
            }
        }
    }
    return n;
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
