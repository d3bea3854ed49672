// A link window: an addressable inbox of this process with a handler.
#pragma once

#include <filesystem>

#include "platform/link/message.h"

namespace kel::link {

class Dispatcher;

// Belongs to the thread that creates it: its messages are handled there, by
// that thread's loop (Loop or QtLink) or inside that thread's own sends. It
// must be destroyed on the same thread, before the thread ends. A forked child
// shares its parent's link descriptors and must not use the link; start
// programs afresh instead. Throws std::system_error when the inbox cannot be
// made (an unusable link folder, too many windows).
class Window {
public:
    explicit Window(Handler handler);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    Handle handle() const { return handle_; }

private:
    Dispatcher& owner_;
    Handle handle_;
    std::filesystem::path path_;
};

}  // namespace kel::link
