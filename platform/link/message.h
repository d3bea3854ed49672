// What a link window receives: a window message between processes, in the
// shape the programs expect of desktop window messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace kel::link {

// A link window's address: nonzero, unique on the machine among live windows.
using Handle = std::uint32_t;

// The message id that a copy-data record arrives under.
inline constexpr std::uint32_t kCopyData = 0x004A;

// How a message reached its window. A client trusts a handshake only when the
// server posted it directly, never one that some program broadcast.
enum class Origin { Posted, Broadcast, Sent };

struct Message {
    std::uint32_t msg = 0;
    // Copy data: the sending window.
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    Origin origin = Origin::Posted;
    // Copy data only: the record's dwData and bytes (valid during the call).
    std::uint64_t dwData = 0;
    std::span<const std::byte> data;
};

// Runs on the thread that created the window. For a sent message its result
// goes back to the sender; for a posted one it is discarded.
using Handler = std::function<std::int64_t(const Message&)>;

}  // namespace kel::link
