#include "diag/ui/message_context.h"

#include <mutex>

#include "diag/tools/tracked_alloc.h"

namespace kel::diag {
namespace {

struct State {
    std::mutex mutex;
    MessageContext context;
    MessageResponder responder;
};

State& state() {
    static State shared;
    return shared;
}

// The allocator's failure report: the text is in the string table already,
// so nothing here goes back to TrackedAlloc.
void showAllocationFailure() {
    ShowMessage(111);
}

}  // namespace

void SetMessageContext(QWidget* owner, std::string_view caption) {
    {
        std::lock_guard lock(state().mutex);
        state().context.owner = owner;
        state().context.caption = std::string(caption);
    }
    SetAllocationFailureReporter(&showAllocationFailure);
}

MessageContext CurrentMessageContext() {
    std::lock_guard lock(state().mutex);
    return state().context;
}

void SetMessageResponder(MessageResponder responder) {
    std::lock_guard lock(state().mutex);
    state().responder = std::move(responder);
}

std::optional<int> AskResponder(int id, std::uint16_t styleWord, const std::string& text) {
    MessageResponder responder;
    {
        std::lock_guard lock(state().mutex);
        responder = state().responder;
    }
    if (!responder) {
        return std::nullopt;
    }
    return responder(id, styleWord, text);
}

int UnseenMessageAnswer(std::uint16_t styleWord) {
    return (styleWord & style::kYesNo) != 0 ? answer::kNo : answer::kCancel;
}

}  // namespace kel::diag
