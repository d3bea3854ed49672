#include "detached_spawn.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;

namespace kel::process {
namespace {

// Only async-signal-safe calls from here on: the starter may have threads.
[[noreturn]] void failChild(int reportFd, int error) {
    [[maybe_unused]] ssize_t written = ::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

void resetSignals() {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        ::sigaction(signal, &standard, nullptr);  // fails harmlessly for KILL and STOP
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Marks every descriptor from 3 on close-on-exec, so that the report pipe
// still works until exec succeeds.
void closeOnExecFrom3(long maxFd) {
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) {
        return;
    }
    for (long fd = 3; fd < maxFd; ++fd) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    }
}

[[noreturn]] void runGrandchild(int reportFd, int nullFd, const char* file, char* const argv[],
                                const char* workFolder, long maxFd) {
    resetSignals();
    if (::dup2(nullFd, STDIN_FILENO) < 0) {
        failChild(reportFd, errno);
    }
    if (workFolder && ::chdir(workFolder) != 0) {
        failChild(reportFd, errno);
    }
    closeOnExecFrom3(maxFd);
    ::execve(file, argv, environ);
    failChild(reportFd, errno);
}

}  // namespace

int spawnDetached(const std::filesystem::path& file, const std::vector<std::string>& arguments,
                  const std::filesystem::path& workFolder) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const char* folder = workFolder.empty() ? nullptr : workFolder.c_str();
    long maxFd = ::sysconf(_SC_OPEN_MAX);

    int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd < 0) {
        return errno;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        int error = errno;
        ::close(nullFd);
        return error;
    }
    pid_t child = ::fork();
    if (child == 0) {
        // The middle process only gives the program its own session and goes,
        // so the program is adopted by init (or a subreaper) and never waits
        // as our zombie.
        ::close(report[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild < 0) {
            failChild(report[1], errno);
        }
        if (grandchild == 0) {
            runGrandchild(report[1], nullFd, file.c_str(), argv.data(), folder, maxFd);
        }
        ::_exit(0);
    }
    int error = child < 0 ? errno : 0;
    ::close(report[1]);
    ::close(nullFd);
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        // Closed without a word: exec succeeded. Otherwise the errno that stopped it.
        int reported = 0;
        ssize_t got;
        while ((got = ::read(report[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
        }
        if (got == static_cast<ssize_t>(sizeof reported)) {
            error = reported;
        }
    }
    ::close(report[0]);
    return error;
}

}  // namespace kel::process
