// Every user-visible message of the diagnostic program goes through here: a
// string-table id and a style word packed into one argument, the text
// formatted with typed arguments, logged in debug mode and shown in the
// program's message dialog. Callable from any thread: a worker's message is
// shown by the main thread, and the worker waits for the answer.
//
// Ids are written as decimal literals in the call (ShowMessage(3012, ...),
// ShowMessage(MessageArg(253, style::kOkCancel | style::kSecondDefault))) so
// that the string-table test finds every id the code uses.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "diag/tools/format_text.h"

class QWidget;

namespace kel::diag {

// The style word: the high 16 bits of a message argument.
namespace style {
inline constexpr std::uint16_t kOk = 0x0000;
inline constexpr std::uint16_t kOkCancel = 0x0001;
inline constexpr std::uint16_t kYesNoCancel = 0x0003;
inline constexpr std::uint16_t kYesNo = 0x0004;
inline constexpr std::uint16_t kSecondDefault = 0x0100;
inline constexpr std::uint16_t kThirdDefault = 0x0200;
// The dialog presses its first button by itself after 20 seconds.
inline constexpr std::uint16_t kAutoAnswer = 0x8000;
}  // namespace style

// What a message returns: the button pressed (or the close box).
namespace answer {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace answer

constexpr std::uint32_t MessageArg(std::uint16_t id, std::uint16_t styleWord = style::kOk) {
    return (static_cast<std::uint32_t>(styleWord) << 16) | id;
}

// Longest formatted message, in bytes; a longer one is cut.
inline constexpr std::size_t kMaxMessageText = 499;
// Longest text of ShowMessageTo.
inline constexpr std::size_t kMaxOwnedMessageText = 199;

// The owner of message dialogs (the main window once it exists, else none)
// and their caption. Also makes allocation failures show message 111.
// Called on the main thread.
void SetMessageContext(QWidget* owner, std::string_view caption);

// Shows message `id` with the style of the high 16 bits; returns the answer.
int ShowMessageArgs(std::uint32_t idAndStyle, std::span<const FormatArg> args);
template <typename... Args>
int ShowMessage(std::uint32_t idAndStyle, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    return ShowMessageArgs(idAndStyle, std::span<const FormatArg>(packed, sizeof...(Args)));
}

// The same for an explicit owner (dialogs, property pages): main thread only,
// texts up to 199 bytes, no log line.
int ShowMessageToArgs(QWidget* owner, std::uint32_t idAndStyle, std::span<const FormatArg> args);
template <typename... Args>
int ShowMessageTo(QWidget* owner, std::uint32_t idAndStyle, const Args&... args) {
    const FormatArg packed[] = {FormatArg(args)..., FormatArg(0)};
    return ShowMessageToArgs(owner, idAndStyle,
                             std::span<const FormatArg>(packed, sizeof...(Args)));
}

// The message dialog for a ready text; main thread only.
int MessageDialog(QWidget* owner, std::string_view text, std::string_view caption,
                  std::uint32_t styleWord);

// Answers messages instead of the dialog: for tests, and for a program run
// without a window system. Gets the id, the style word and the formatted
// text; its result is the message's answer. An empty function brings the
// dialog back. Without a responder and without a QApplication a message is
// written to standard error and answered as if closed by its close box.
using MessageResponder = std::function<int(int id, std::uint16_t styleWord, const std::string&)>;
void SetMessageResponder(MessageResponder responder);

// The entry's whole text ("" for an unknown id).
std::string LoadResString(int id);
// The entry with every "!" turned into NUL: a file-dialog filter list such as
// "Text files!*.txt!All files!*.*!" gives its texts, each ended by a NUL, and
// a final empty text.
std::string LoadFilterString(int id);

}  // namespace kel::diag
