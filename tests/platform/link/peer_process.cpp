#include "peer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/support/temp_folder.h"

extern char** environ;

namespace kel::link::test {

PeerProcess::PeerProcess(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{KEL_LINK_PEER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    int rc = ::posix_spawn(&pid_, KEL_LINK_PEER, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (rc != 0) {
        throw std::runtime_error("cannot start " KEL_LINK_PEER);
    }
}

PeerProcess::~PeerProcess() {
    kill();
    ::close(out_);
    ::close(err_);
}

std::string PeerProcess::readLine() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        if (auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{out_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            return "";
        }
        char buffer[256];
        ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) {
            return "";
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

Handle PeerProcess::window() {
    return static_cast<Handle>(std::stoul(readLine()));
}

std::string PeerProcess::errorText() {
    wait();
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(err_, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

int PeerProcess::wait() {
    if (!reaped_) {
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void PeerProcess::kill() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        wait();
    }
}

ScopedLinkDir::ScopedLinkDir() {
    path_ = kel::test::makeUniqueFolder("kel-link-");
    if (path_.empty()) {
        throw std::runtime_error("mkdtemp");
    }
    ::setenv("KEL_LINK_DIR", path_.c_str(), 1);
}

ScopedLinkDir::~ScopedLinkDir() {
    ::unsetenv("KEL_LINK_DIR");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

int runWithin(Loop& loop, std::chrono::milliseconds limit) {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, limit, [&] { return finished; })) {
            loop.quit(-1);
        }
    });
    int code = loop.run();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    return code;
}

}  // namespace kel::link::test
