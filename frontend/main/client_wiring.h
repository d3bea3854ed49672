// What the main dialog hears from the drive-server client and from later
// starts of the program.
#pragma once

#include "frontend/common/kelcd.h"
#include "frontend/main/main_dialog.h"
#include "frontend/main/single_instance.h"

namespace kel::frontend {

// A server that never answers the handshake ends the program with the
// client's message; a later start brings the dialog to the front.
void ConnectMainDialog(TCDTolvarMainDialogBox& dialog, Tkelcd& client, SingleInstance* instance);

}  // namespace kel::frontend
