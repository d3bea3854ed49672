// The program's sound events: "Message", "Prompt" and "ScanComplete", each
// configured by the user as a WAV file in the registry under
// AppEvents\Schemes\Apps\QuillonApp\MORVALE-<event>\.Current.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kel::diag {

// The registry path of an event's sound, below the current-user root.
std::string EventSoundKeyPath(std::string_view eventName);

// Plays the event's sound without waiting for it; a missing key or an empty
// value plays nothing.
void PlayEventSound(std::string_view eventName);

// "Message" for style 0, "Prompt" for any other style.
void PlayMessageSound(std::uint32_t styleWord);

}  // namespace kel::diag
