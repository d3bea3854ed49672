#include "platform/aspi/request_queues.h"

#include "platform/aspi/completion_event.h"

namespace kel::aspi {

RequestQueues::RequestQueues(std::size_t targets) {
    for (std::size_t i = 0; i < targets; ++i) {
        queues_.push_back(std::make_unique<Queue>());
    }
}

RequestQueues::~RequestQueues() {
    for (auto& queue : queues_) {
        {
            std::lock_guard lock(queue->mutex);
            queue->stopping = true;
        }
        queue->changed.notify_all();
        if (queue->worker.joinable()) {
            queue->worker.join();
        }
    }
    {
        std::lock_guard lock(watchMutex_);
        stopping_ = true;
    }
    watchChanged_.notify_all();
    if (watchdog_.joinable()) {
        watchdog_.join();
    }
}

bool RequestQueues::pending(const void* block) {
    std::lock_guard lock(pendingMutex_);
    return pending_.contains(block);
}

void RequestQueues::post(std::size_t target, const std::shared_ptr<QueuedRequest>& request) {
    {
        std::lock_guard lock(pendingMutex_);
        pending_.insert(request->block);
    }
    if (request->deadline != QueuedRequest::Clock::time_point::max()) {
        {
            std::lock_guard lock(watchMutex_);
            deadlines_.emplace(request->deadline, request);
            if (!watchdog_.joinable()) {
                watchdog_ = std::thread([this] { watch(); });
            }
        }
        watchChanged_.notify_all();
    }
    Queue& queue = *queues_.at(target);
    {
        std::lock_guard lock(queue.mutex);
        queue.waiting.push_back(request);
        if (!queue.worker.joinable()) {
            queue.worker = std::thread([this, &queue] { serve(queue); });
        }
    }
    queue.changed.notify_one();
}

void RequestQueues::waitForEnd(QueuedRequest& request) {
    std::unique_lock lock(request.mutex_);
    request.ended_.wait(lock, [&request] { return request.finished_; });
}

void RequestQueues::serve(Queue& queue) {
    std::unique_lock lock(queue.mutex);
    for (;;) {
        queue.changed.wait(lock, [&queue] { return queue.stopping || !queue.waiting.empty(); });
        if (queue.waiting.empty()) {
            return;
        }
        std::shared_ptr<QueuedRequest> request = std::move(queue.waiting.front());
        queue.waiting.pop_front();
        lock.unlock();
        bool expired = false;
        {
            std::lock_guard ended(request->mutex_);
            expired = request->finished_;
        }
        // The program was told this one timed out: it is not sent late.
        if (!expired) {
            request->run();
            end(*request, false);
        }
        lock.lock();
    }
}

void RequestQueues::watch() {
    std::unique_lock lock(watchMutex_);
    while (!stopping_) {
        if (deadlines_.empty()) {
            watchChanged_.wait(lock);
            continue;
        }
        auto first = deadlines_.begin();
        // A copy: the entry may be erased by the request's end while this
        // thread waits without the lock.
        const QueuedRequest::Clock::time_point next = first->first;
        if (QueuedRequest::Clock::now() < next) {
            watchChanged_.wait_until(lock, next);
            continue;
        }
        std::shared_ptr<QueuedRequest> due = first->second.lock();
        deadlines_.erase(first);
        lock.unlock();
        if (due) {
            end(*due, true);
        }
        lock.lock();
    }
}

void RequestQueues::end(QueuedRequest& request, bool expired) {
    {
        std::lock_guard lock(request.mutex_);
        if (request.finished_) {
            return;
        }
        request.finished_ = true;
        {
            // The block leaves the pending ones as its status is written:
            // a program that sees the status may send the block again.
            std::lock_guard pendingLock(pendingMutex_);
            pending_.erase(request.block);
            (expired ? request.expire : request.complete)();
        }
        if (request.event) {
            signalCompletion(*request.event);
        }
    }
    request.ended_.notify_all();
    if (!expired && request.deadline != QueuedRequest::Clock::time_point::max()) {
        std::lock_guard lock(watchMutex_);
        auto [from, to] = deadlines_.equal_range(request.deadline);
        for (auto at = from; at != to; ++at) {
            if (at->second.lock().get() == &request) {
                deadlines_.erase(at);
                break;
            }
        }
    }
}

}  // namespace kel::aspi
