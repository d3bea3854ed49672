#include "diag/ui/options/control_help.h"

#include <QLineEdit>
#include <QMenu>
#include <QWidget>

#include "diag/ui/help_document.h"
#include "diag/ui/help_file.h"

namespace kel::diag {

void AttachControlHelp(QWidget& page, std::span<const ControlHelp> table,
                       const HelpDocument& document) {
    for (const ControlHelp& entry : table) {
        auto* control = page.findChild<QWidget*>(entry.objectName);
        const HelpTopic* topic = document.Find(entry.topic);
        if (control == nullptr || topic == nullptr) {
            continue;
        }
        control->setWhatsThis(QString::fromStdString(HelpTopicHtml(document, *topic)));
        // A text box keeps its own editing menu.
        if (qobject_cast<QLineEdit*>(control) != nullptr) {
            continue;
        }
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(control, &QWidget::customContextMenuRequested, control,
                         [control, number = entry.topic](QPoint at) {
                             QMenu menu(control);
                             menu.setObjectName("controlHelpMenu");
                             const QAction* whatsThis = menu.addAction(QObject::tr("What's This?"));
                             const QPoint where = control->mapToGlobal(at);
                             if (menu.exec(where) == whatsThis) {
                                 ShowPopupHelp(number, where);
                             }
                         });
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
