// Pieces every group handler uses: the request's fields and the reply rule.
#pragma once

#include <cstdint>

#include "server/server_form.h"

namespace kel::server {

inline int SubgroupOf(std::int32_t code) {
    return code & 0x0F00;
}
inline int CommandOf(std::int32_t code) {
    return code & 0x00FF;
}

// Starts a reply: the log holds only the request's code text.
void BeginReply(TForm1& form);
// Ends a reply by the line-count rule: the count of the lines so far plus
// the count line itself, then the status line when `status` is non-zero,
// then the count line.
void EndReply(TForm1& form, tolscsi::Status status);

// The device number of parameter line 1, for indexing the per-device tables;
// -1 outside them.
int DeviceSlot(std::int32_t device);

}  // namespace kel::server
