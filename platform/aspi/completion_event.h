// The completion event of posted requests: a manual-reset event that a
// program creates and names in SRB_PostProc, and that the manager signals
// once a request's fields are final. It stays signalled until reset.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kel::aspi {

class CompletionEvent {
public:
    CompletionEvent();
    ~CompletionEvent();
    CompletionEvent(const CompletionEvent&) = delete;
    CompletionEvent& operator=(const CompletionEvent&) = delete;

    // What SRB_PostProc carries; negative when the event could not be made.
    std::int64_t handle() const { return descriptor_; }
    void reset();
    // True once signalled; false when `timeout` (none: no limit) passes first.
    bool wait(std::optional<std::chrono::milliseconds> timeout);

private:
    int descriptor_ = -1;
};

// Whether `handle` is an event descriptor of the kind CompletionEvent makes:
// the manager signals nothing else, never an open file.
bool isCompletionEvent(std::int64_t handle);

// The manager's side: marks the event of `handle` signalled, when it is one.
void signalCompletion(std::int64_t handle);

}  // namespace kel::aspi
