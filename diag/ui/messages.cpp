#include "diag/ui/messages.h"

#include "diag/tools/debug_log.h"
#include "diag/ui/main_thread.h"
#include "diag/ui/message_context.h"
#include "diag/ui/message_dialog.h"
#include "diag/ui/string_table.h"
#include "platform/base/log.h"

namespace kel::diag {
namespace {

int idOf(std::uint32_t idAndStyle) {
    return static_cast<int>(idAndStyle & 0xFFFF);
}
std::uint16_t styleOf(std::uint32_t idAndStyle) {
    return static_cast<std::uint16_t>(idAndStyle >> 16);
}

std::string formatMessage(int id, std::span<const FormatArg> args, std::size_t maxBytes) {
    const std::optional<std::string_view> format = StringTableEntry(id);
    if (!format) {
        log::warning("MORVALE", "message " + std::to_string(id) + " is not in the string table");
        return "Message " + std::to_string(id);
    }
    return FormatText(*format, args, maxBytes);
}

// Shows a ready message on the main thread; a worker waits for the answer.
int showOnMainThread(QWidget* owner, int id, std::uint16_t styleWord, const std::string& text) {
    if (std::optional<int> answered = AskResponder(id, styleWord, text)) {
        return *answered;
    }
    if (!HaveApplication()) {
        log::warning("MORVALE", text);
        return UnseenMessageAnswer(styleWord);
    }
    return RunOnMainThread([&] {
        const MessageContext context = CurrentMessageContext();
        return MessageDialog(owner != nullptr ? owner : context.owner.data(), text, context.caption,
                             styleWord);
    });
}

}  // namespace

int ShowMessageArgs(std::uint32_t idAndStyle, std::span<const FormatArg> args) {
    const int id = idOf(idAndStyle);
    const std::string text = formatMessage(id, args, kMaxMessageText);
    if (logSwitches().debugMode) {
        DebugLog("%s", text);
    }
    return showOnMainThread(nullptr, id, styleOf(idAndStyle), text);
}

int ShowMessageToArgs(QWidget* owner, std::uint32_t idAndStyle, std::span<const FormatArg> args) {
    const int id = idOf(idAndStyle);
    return showOnMainThread(owner, id, styleOf(idAndStyle),
                            formatMessage(id, args, kMaxOwnedMessageText));
}

int MessageDialog(QWidget* owner, std::string_view text, std::string_view caption,
                  std::uint32_t styleWord) {
    MessageDialogWindow dialog(owner, QString::fromUtf8(text.data(), qsizetype(text.size())),
                               QString::fromUtf8(caption.data(), qsizetype(caption.size())),
                               styleWord, MessageDialogWindow::Kind::Message);
    return dialog.exec();
}

std::string LoadResString(int id) {
    return std::string(StringTableEntry(id).value_or(""));
}

std::string LoadFilterString(int id) {
    std::string text = LoadResString(id);
    for (char& c : text) {
        if (c == '!') {
            c = '\0';
        }
    }
    return text;
}

}  // namespace kel::diag
