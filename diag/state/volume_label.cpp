#include "diag/state/volume_label.h"

#include <mutex>

namespace kel::diag {
namespace {

constexpr std::size_t kMaxLabel = 32;

struct Label {
    std::mutex mutex;
    std::string text;
};

Label& label() {
    static Label state;
    return state;
}

}  // namespace

void SetCurrentVolumeLabel(std::string_view text) {
    Label& state = label();
    std::lock_guard lock(state.mutex);
    state.text = text.substr(0, kMaxLabel);
}

std::string CurrentVolumeLabel() {
    Label& state = label();
    std::lock_guard lock(state.mutex);
    return state.text;
}

}  // namespace kel::diag
