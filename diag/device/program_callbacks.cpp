#include "diag/device/program_callbacks.h"

#include <vector>

#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "diag/ui/string_table.h"

namespace kel::diag {

MessageCallback programMessageCallback() {
    return [](const DeviceMessage& message) {
        std::vector<FormatArg> args;
        for (const MessageValue& value : message.args) {
            if (const auto* number = std::get_if<std::int64_t>(&value)) {
                args.emplace_back(*number);
            } else {
                args.emplace_back(std::string_view(std::get<std::string>(value)));
            }
        }
        std::uint16_t buttons =
            message.buttons == MessageButtons::OkCancel ? style::kOkCancel : style::kOk;
        int answer =
            ShowMessageArgs(MessageArg(static_cast<std::uint16_t>(message.id), buttons), args);
        return answer == answer::kOk ? MessageAnswer::Ok : MessageAnswer::Cancel;
    };
}

LogCallback programLogCallback() {
    return [](std::string_view line) { DebugLog("%s", line); };
}

DumpCallback programDumpCallback() {
    return [](std::span<const std::uint8_t> data, std::string_view title) {
        DumpBlock(data, static_cast<int>(data.size()), title);
    };
}

StringSource programStrings() {
    return [](int id) -> std::optional<std::string> {
        std::optional<std::string_view> entry = StringTableEntry(id);
        return entry ? std::optional<std::string>(*entry) : std::nullopt;
    };
}

void attachProgramCallbacks(CdDevice& device) {
    device.messageCallback = programMessageCallback();
    device.logCallback = programLogCallback();
    device.dumpCallback = programDumpCallback();
    device.profile->errorCallback = device.messageCallback;
}

}  // namespace kel::diag
