// Web and mail addresses handed to the desktop. Where nothing on the machine
// opens them, the user is told so and shown the address to use by hand.
#pragma once

#include <string_view>

namespace kel::diag {

// Opens `address`; when that fails, message 9074 shows `shown`.
void OpenShellAddress(std::string_view address, std::string_view shown);

}  // namespace kel::diag
