#include "diag/ui/options/control_help.h"

#include <QWidget>

#include "diag/ui/help_document.h"

namespace kel::diag {

void AttachControlHelp(QWidget& page, std::span<const ControlHelp> table,
                       const HelpDocument& document) {
    for (const ControlHelp& entry : table) {
        auto* control = page.findChild<QWidget*>(entry.objectName);
        const HelpTopic* topic = document.Find(entry.topic);
        if (control != nullptr && topic != nullptr) {
            control->setWhatsThis(QString::fromStdString(HelpTopicHtml(document, *topic)));
        }
    }
}

int ControlHelpTopic(std::span<const ControlHelp> table, const QWidget* control) {
    for (; control != nullptr; control = control->parentWidget()) {
        for (const ControlHelp& entry : table) {
            if (control->objectName() == entry.objectName) {
                return entry.topic;
            }
        }
    }
    return 0;
}

}  // namespace kel::diag
