// How the drive objects talk to the rest of the program: string-table
// messages with their arguments, debug-log lines, hex dumps and string-table
// lookups, all injected so that the device layer depends on no window code.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kel::diag {

enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// One argument of a message, as its format text consumes it (%d, %x or %s).
using MessageValue = std::variant<std::int64_t, std::string>;

struct DeviceMessage {
    int id = 0;
    MessageButtons buttons = MessageButtons::Ok;
    std::vector<MessageValue> args;
};

using MessageCallback = std::function<MessageAnswer(const DeviceMessage&)>;
using LogCallback = std::function<void(std::string_view line)>;
using DumpCallback =
    std::function<void(std::span<const std::uint8_t> data, std::string_view title)>;
// The string table entry of an id, when there is one.
using StringSource = std::function<std::optional<std::string>(int id)>;

}  // namespace kel::diag
