#include "frontend/main/client_wiring.h"

namespace kel::frontend {

void ConnectMainDialog(TCDTolvarMainDialogBox& dialog, Tkelcd& client, SingleInstance* instance) {
    QObject::connect(&client, &Tkelcd::ServerNotFound, &dialog,
                     &TCDTolvarMainDialogBox::ServerNotFound);
    if (instance) {
        QObject::connect(instance, &SingleInstance::ActivationRequested, &dialog, [&dialog] {
            dialog.showNormal();
            dialog.raise();
            dialog.activateWindow();
        });
    }
}

}  // namespace kel::frontend
