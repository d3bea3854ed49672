#include "diag/ui/sound_events.h"

#include "platform/audio/wav_playback.h"
#include "platform/registry/key.h"

namespace kel::diag {

std::string EventSoundKeyPath(std::string_view eventName) {
    return "AppEvents\\Schemes\\Apps\\QuillonApp\\MORVALE-" + std::string(eventName) + "\\.Current";
}

void PlayEventSound(std::string_view eventName) {
    const registry::Result<registry::Key> key =
        registry::Key::openExisting(registry::Root::CurrentUser, EventSoundKeyPath(eventName));
    if (!key) {
        return;
    }
    const std::optional<std::string> file = key.value().readString("");
    if (!file || file->empty()) {
        return;
    }
    audio::playWavFileAsync(*file);
}

void PlayMessageSound(std::uint32_t styleWord) {
    PlayEventSound(styleWord == 0 ? "Message" : "Prompt");
}

}  // namespace kel::diag
