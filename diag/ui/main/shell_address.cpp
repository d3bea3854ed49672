#include "diag/ui/main/shell_address.h"

#include "diag/ui/messages.h"
#include "platform/process/launch.h"

namespace kel::diag {

void OpenShellAddress(std::string_view address, std::string_view shown) {
    if (process::shellOpen(address, "", "") != process::code::kStarted) {
        ShowMessage(9074, shown);
    }
}

}  // namespace kel::diag
