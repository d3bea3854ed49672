#include "detached_spawn.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string_view>

extern char** environ;

namespace kel::process {
namespace {

void closeIfOpen(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

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

[[noreturn]] void runGrandchild(int reportFd, int nullFd, int outputFd, const char* file,
                                char* const argv[], char* const envp[], const char* workFolder,
                                long maxFd) {
    resetSignals();
    if (::dup2(nullFd, STDIN_FILENO) < 0) {
        failChild(reportFd, errno);
    }
    if (outputFd >= 0 &&
        (::dup2(outputFd, STDOUT_FILENO) < 0 || ::dup2(outputFd, STDERR_FILENO) < 0)) {
        failChild(reportFd, errno);
    }
    if (workFolder && ::chdir(workFolder) != 0) {
        failChild(reportFd, errno);
    }
    closeOnExecFrom3(maxFd);
    ::execve(file, argv, envp);
    failChild(reportFd, errno);
}

// The starter's environment with `added` joining it; an added name replaces
// the starter's entry of that name. Built before the fork: the child may not
// allocate.
std::vector<std::string> environmentWith(const std::vector<std::string>& added) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        std::string_view name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const std::string& extra : added) {
            replaced |= extra.size() > name.size() && extra.compare(0, name.size(), name) == 0 &&
                        extra[name.size()] == '=';
        }
        if (!replaced) {
            entries.emplace_back(text);
        }
    }
    entries.insert(entries.end(), added.begin(), added.end());
    return entries;
}

std::vector<char*> pointersTo(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

int spawnDetached(const std::filesystem::path& file, const std::vector<std::string>& arguments,
                  const std::filesystem::path& workFolder, const SpawnExtras& extras) {
    std::vector<char*> argv = pointersTo(arguments);
    const std::vector<std::string> environment = environmentWith(extras.environment);
    std::vector<char*> envp = pointersTo(environment);
    const char* folder = workFolder.empty() ? nullptr : workFolder.c_str();
    long maxFd = ::sysconf(_SC_OPEN_MAX);

    int outputFd = -1;
    if (!extras.outputFile.empty()) {
        outputFd =
            ::open(extras.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (outputFd < 0) {
            // A log that cannot be made (a full or read-only folder) must not
            // keep the program from running; its output is then dropped, as
            // sharing the starter's would hold whoever reads that open.
            outputFd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        }
        if (outputFd < 0) {
            return errno;
        }
    }
    int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd < 0) {
        int error = errno;
        closeIfOpen(outputFd);
        return error;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        int error = errno;
        ::close(nullFd);
        closeIfOpen(outputFd);
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
            runGrandchild(report[1], nullFd, outputFd, file.c_str(), argv.data(), envp.data(),
                          folder, maxFd);
        }
        ::_exit(0);
    }
    int error = child < 0 ? errno : 0;
    ::close(report[1]);
    ::close(nullFd);
    closeIfOpen(outputFd);
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
