#include "quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace kel::process {
namespace {

int pipeEnds[2] = {-1, -1};

void noteSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

int install() {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = noteSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    return pipeEnds[0];
}

}  // namespace

int quitSignalDescriptor() {
    static const int descriptor = install();
    return descriptor;
}

bool takeQuitSignal() {
    const int fd = quitSignalDescriptor();
    bool came = false;
    char bytes[16];
    ssize_t n;
    while ((n = ::read(fd, bytes, sizeof bytes)) > 0) {
        came = true;
    }
    return came;
}

}  // namespace kel::process
