// The four registered messages of the drive-server link, as the client holds
// them.
#pragma once

#include <cstdint>

namespace kel::frontend {

struct LinkMessageIds {
    std::uint32_t Handshake = 0;
    std::uint32_t SendData = 0;
    std::uint32_t ReturnData = 0;
    std::uint32_t Close = 0;

    bool complete() const { return Handshake && SendData && ReturnData && Close; }
};

// Registers the names on the first call of the process; later calls return the
// same ids. An id is 0 when the link folder could not register it.
const LinkMessageIds& RegisterLinkMessages();

}  // namespace kel::frontend
