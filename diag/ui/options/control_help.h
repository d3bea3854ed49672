// The help topic of each control of a preferences page, shown as the
// control's "What's This?" text, as the pop-up of its context menu's
// "What's This?", and as the pop-up that F1 gives while it has the focus.
#pragma once

#include <span>

class QWidget;

namespace kel::diag {

struct HelpDocument;

struct ControlHelp {
    const char* objectName;
    int topic;
};

// Gives each control of `page` named in `table` its topic's text and a
// context menu that pops the topic up.
void AttachControlHelp(QWidget& page, std::span<const ControlHelp> table,
                       const HelpDocument& document);

// The topic of the control named `objectName`, or 0.
int ControlHelpTopic(std::span<const ControlHelp> table, const QWidget* control);

}  // namespace kel::diag
