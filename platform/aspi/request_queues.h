// The manager's waiting lines: one per target, each served in order by its
// own thread, so that a drive that hangs holds up only its own requests.
// A request also has a bound: when it passes before the drive answers, the
// request ends then as timed out, and what the drive brings later is
// dropped. A request's block stays pending from its acceptance to its end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace kel::aspi {

struct QueuedRequest {
    using Clock = std::chrono::steady_clock;

    const void* block = nullptr;        // the program's block: pending until the end
    std::optional<std::int64_t> event;  // signalled at the end
    Clock::time_point deadline = Clock::time_point::max();
    // On the target's thread; touches nothing of the program's block.
    std::function<void()> run;
    // Exactly one of the two writes the program's block, at the end.
    std::function<void()> complete;
    std::function<void()> expire;

private:
    friend class RequestQueues;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
};

class RequestQueues {
public:
    explicit RequestQueues(std::size_t targets);
    // Serves every request already queued before it returns.
    ~RequestQueues();
    RequestQueues(const RequestQueues&) = delete;
    RequestQueues& operator=(const RequestQueues&) = delete;

    bool pending(const void* block);
    // Marks the request's block pending and queues it on `target`.
    void post(std::size_t target, const std::shared_ptr<QueuedRequest>& request);
    // Returns once the request has ended.
    static void waitForEnd(QueuedRequest& request);

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::shared_ptr<QueuedRequest>> waiting;
        bool stopping = false;
        std::thread worker;
    };
    void serve(Queue& queue);
    void watch();
    void end(QueuedRequest& request, bool expired);

    std::vector<std::unique_ptr<Queue>> queues_;

    std::mutex pendingMutex_;
    std::set<const void*> pending_;

    std::mutex watchMutex_;
    std::condition_variable watchChanged_;
    std::multimap<QueuedRequest::Clock::time_point, std::weak_ptr<QueuedRequest>> deadlines_;
    bool stopping_ = false;
    std::thread watchdog_;
};

}  // namespace kel::aspi
