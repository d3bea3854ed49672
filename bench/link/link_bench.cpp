// Round trip of a request whose handler sends its reply back (the drive
// server's pattern), against raw Unix-socket exchanges of the same bytes
// measured in the same run:
//   - a ping-pong: request out, reply back (the reference the link is held to);
//   - the same four messages the link pattern needs (request, reply, the
//     reply's result, the request's result), to tell the cost of the pattern
//     from the cost of the link layer.
// Then the processor time that a front end spends while its request waits
// on a slow drive: a worker thread sends, and the reply is taken by the main
// thread's Qt event loop, as in the compare program.
//   link_bench [--one-cpu] [ROUND_TRIPS]
// --one-cpu keeps every process on one processor: the figures then show the
// work done, without the scheduler's placement, which on a virtual machine can
// make every cross-processor wake-up cost tens of microseconds.
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/link/loop.h"
#include "platform/link/qt_link.h"
#include "platform/link/send.h"
#include "platform/link/window.h"

extern char** environ;

namespace kel::link {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kRequest = 1;
constexpr std::uint64_t kQuit = 2;
// Answered as kRequest, after the time a slow drive takes for a compare's
// block: 12 sectors at 25 ms each.
constexpr std::uint64_t kSlowRequest = 3;
constexpr auto kSlowDrive = std::chrono::milliseconds(12 * 25);
constexpr std::size_t kResultSize = 8;
constexpr double kWaitingCpuTarget = 0.05;

struct Shape {
    const char* name;
    std::size_t request;
    std::size_t reply;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "link_bench: %s\n", what);
    std::exit(1);
}

bool readAll(int fd, void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::read(fd, p, size);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

template <typename Work>
double timePerRound(int rounds, Work work) {
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        work();
    }
    return std::chrono::duration<double>(Clock::now() - start).count() / rounds;
}

// The server: answers each request by sending `replySize` bytes back to the
// requesting window from inside its handler.
[[noreturn]] void serve(int handleOut, std::size_t replySize) {
    Loop loop;
    std::vector<std::byte> reply(replySize, std::byte{'7'});
    Handle self = 0;
    Window window([&](const Message& m) -> std::int64_t {
        if (m.dwData == kQuit) {
            loop.quit(0);
            return 0;
        }
        if (m.dwData == kSlowRequest) {
            std::this_thread::sleep_for(kSlowDrive);
        }
        return sendCopyData(static_cast<Handle>(m.wParam), self, kRequest, reply).result;
    });
    self = window.handle();
    writeAll(handleOut, &self, sizeof self);
    ::_exit(loop.run());
}

// A raw partner in a child process: a socket pair and nothing else.
class RawPartner {
public:
    RawPartner(const Shape& shape, bool fourMessages)
        : fourMessages_(fourMessages), request_(shape.request, '1'), reply_(shape.reply, '7') {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
            fail("no socket pair");
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(fds[0]);
            char result[kResultSize] = {};
            while (readAll(fds[1], request_.data(), request_.size()) &&
                   writeAll(fds[1], reply_.data(), reply_.size())) {
                if (fourMessages_ && (!readAll(fds[1], result, sizeof result) ||
                                      !writeAll(fds[1], result, sizeof result))) {
                    break;
                }
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        fd_ = fds[0];
    }
    ~RawPartner() {
        ::close(fd_);
        ::waitpid(child_, nullptr, 0);
    }

    double batch(int rounds) {
        char result[kResultSize] = {};
        return timePerRound(rounds, [&] {
            bool ok = writeAll(fd_, request_.data(), request_.size()) &&
                      readAll(fd_, reply_.data(), reply_.size());
            if (fourMessages_) {
                ok = ok && writeAll(fd_, result, sizeof result) &&
                     readAll(fd_, result, sizeof result);
            }
            if (!ok) {
                fail("a raw exchange failed");
            }
        });
    }

private:
    bool fourMessages_;
    std::vector<char> request_;
    std::vector<char> reply_;
    int fd_ = -1;
    pid_t child_ = -1;
};

// The link server as a program of its own rather than a fork: a forked child
// would share this process's link descriptors.
class LinkPartner {
public:
    explicit LinkPartner(const Shape& shape)
        : replySize_(shape.reply), request_(shape.request, std::byte{'1'}) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            fail("no pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        std::string size = std::to_string(shape.reply);
        char self[] = "/proc/self/exe";
        char mode[] = "--serve";
        char* argv[] = {self, mode, size.data(), nullptr};
        int rc = ::posix_spawn(&child_, self, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0 || !readAll(fds[0], &server_, sizeof server_)) {
            fail("the server did not start");
        }
        ::close(fds[0]);
        client_ = std::make_unique<Window>(
            [](const Message& m) { return static_cast<std::int64_t>(m.data.size()); });
    }
    ~LinkPartner() {
        sendCopyData(server_, 0, kQuit, {});
        ::waitpid(child_, nullptr, 0);
    }

    double batch(int rounds) {
        return timePerRound(rounds, [&] { roundTrip(kRequest); });
    }

    // One request of `kind`; the reply goes to the window of the thread that
    // made this object, whichever thread sends.
    void roundTrip(std::uint64_t kind) {
        SendResult r = sendCopyData(server_, client_->handle(), kind, request_);
        if (!r.delivered() || r.result != static_cast<std::int64_t>(replySize_)) {
            fail("a link round trip failed");
        }
    }

private:
    std::size_t replySize_;
    std::vector<std::byte> request_;
    pid_t child_ = -1;
    Handle server_ = 0;
    std::unique_ptr<Window> client_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The share of one processor that this process uses while a worker thread's
// requests wait on a slow drive and the main thread's Qt loop takes the
// replies. Each slow request follows a burst of quick ones, which sets the
// main thread polling as a compare's blocks do.
double waitingCpuShare(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtLink qtLink;
    LinkPartner server(Shape{"text reply", 12, 40});
    constexpr int kSlowRequests = 5;
    constexpr int kQuickBurst = 50;
    double cpu = 0;
    double wall = 0;
    std::thread worker([&] {
        for (int i = 0; i < kSlowRequests; ++i) {
            for (int k = 0; k < kQuickBurst; ++k) {
                server.roundTrip(kRequest);
            }
            const double cpuBefore = processCpuSeconds();
            const auto wallBefore = Clock::now();
            server.roundTrip(kSlowRequest);
            cpu += processCpuSeconds() - cpuBefore;
            wall += std::chrono::duration<double>(Clock::now() - wallBefore).count();
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    app.exec();
    worker.join();
    return cpu / wall;
}

}  // namespace
}  // namespace kel::link

int main(int argc, char** argv) {
    using namespace kel::link;
    if (argc == 3 && std::string(argv[1]) == "--serve") {
        serve(3, static_cast<std::size_t>(std::atoi(argv[2])));
    }
    bool oneCpu = argc > 1 && std::string(argv[1]) == "--one-cpu";
    if (oneCpu) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(static_cast<unsigned>(::sched_getcpu()), &set);
        ::sched_setaffinity(0, sizeof set, &set);  // the children inherit it
        --argc;
        ++argv;
    }
    int rounds = argc > 1 ? std::max(std::atoi(argv[1]), 100) : 20000;
    constexpr int kBatches = 11;
    char dir[] = "/tmp/kel-link-bench-XXXXXX";
    if (!::mkdtemp(dir)) {
        fail("no folder for the link");
    }
    ::setenv("KEL_LINK_DIR", dir, 1);

    // A drive request and its text reply; a request answered by one raw sector.
    const Shape shapes[] = {{"text reply", 12, 40}, {"sector reply", 20, 2352}};
    std::printf("%d round trips per shape, medians of %d interleaved batches%s\n", rounds, kBatches,
                oneCpu ? ", all on one processor" : "");
    std::printf("%-13s %9s %17s %9s %17s %9s\n", "", "link", "raw ping-pong", "link/raw",
                "raw 4 messages", "link/raw4");
    double worst = 0;
    for (const Shape& shape : shapes) {
        RawPartner pingPong(shape, false);
        RawPartner fourMessages(shape, true);
        LinkPartner link(shape);
        std::vector<double> times[3];
        for (int i = -1; i < kBatches; ++i) {  // batch -1 warms up
            double t[3] = {pingPong.batch(rounds / kBatches), fourMessages.batch(rounds / kBatches),
                           link.batch(rounds / kBatches)};
            for (int k = 0; i >= 0 && k < 3; ++k) {
                times[k].push_back(t[k]);
            }
        }
        double raw = median(times[0]);
        double raw4 = median(times[1]);
        double ours = median(times[2]);
        worst = std::max(worst, ours / raw);
        std::printf("%-13s %7.2fus %15.2fus %8.2fx %15.2fus %8.2fx\n", shape.name, ours * 1e6,
                    raw * 1e6, ours / raw, raw4 * 1e6, ours / raw4);
    }
    std::printf("link against the raw ping-pong: %.2fx at worst (target: at most 3x)\n", worst);
    const double waiting = waitingCpuShare(argc, argv);
    std::printf(
        "front end waiting %lld ms on a slow drive: %.1f%% of a processor (target: at most "
        "%.0f%%)\n",
        static_cast<long long>(kSlowDrive.count()), waiting * 100, kWaitingCpuTarget * 100);
    std::filesystem::remove_all(dir);
    return 0;
}
