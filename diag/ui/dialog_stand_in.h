// What a test gives in place of a modal dialog's answer: while it is set,
// the command asks it instead of showing the dialog. It may be set and asked
// from different threads, so it is held under a lock.
#pragma once

#include <mutex>
#include <utility>

namespace kel::diag {

template <typename Answer>
class DialogStandIn {
public:
    // An empty function brings the dialog back.
    void set(Answer answer) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
    }
    Answer get() const {
        std::lock_guard lock(mutex_);
        return answer_;
    }

private:
    mutable std::mutex mutex_;
    Answer answer_;
};

}  // namespace kel::diag
