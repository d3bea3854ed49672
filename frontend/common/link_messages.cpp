#include "link_messages.h"

#include "platform/link/registered_message.h"

namespace kel::frontend {

const LinkMessageIds& RegisterLinkMessages() {
    static const LinkMessageIds ids{
        link::registerMessage("KEL.CD.Handshake"),
        link::registerMessage("KEL.CD.sendData"),
        link::registerMessage("KEL.CD.returnData"),
        link::registerMessage("KEL.CD.close"),
    };
    return ids;
}

}  // namespace kel::frontend
