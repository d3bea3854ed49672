// What every message needs besides its text: the owner window, the caption,
// and the responder that may answer in place of the dialog.
#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "diag/ui/messages.h"

namespace kel::diag {

struct MessageContext {
    QPointer<QWidget> owner;
    std::string caption;
};

MessageContext CurrentMessageContext();

// The responder's answer when one is installed.
std::optional<int> AskResponder(int id, std::uint16_t styleWord, const std::string& text);

// The answer of a message that nobody can see: as if closed by its close box.
int UnseenMessageAnswer(std::uint16_t styleWord);

}  // namespace kel::diag
