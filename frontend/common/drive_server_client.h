// The client side of the drive-server link without its transport: building a
// request from the module variables and taking in its reply. Tkelcd carries
// it over the message link; tests carry it to a scripted server.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kel::frontend {

class DriveServerClient {
public:
    virtual ~DriveServerClient() = default;

    // Sends request a + b + c with the parameter lines its code takes and
    // returns once the reply has been parsed into KelCdData. When no reply
    // arrives, ReplyError is 1 and ReplyErrorCode kNoServerReply.
    void _Send(std::uint32_t a, std::uint32_t b, std::uint32_t c);

    // The request being built, one line per item.
    std::vector<std::string> Kel_Pass;
    // The lines of the last short reply.
    std::vector<std::string> Kel_Return;

protected:
    // Delivers Kel_Pass to the server; the reply, if any, reaches AcceptReply
    // before this returns.
    virtual void Senddata() = 0;

    // A reply record of `cbData` bytes for the request in CurrentRequestCode:
    // sector bytes for a sector request, text otherwise.
    void AcceptReply(std::span<const std::byte> record);

    // Kel_Pass as the request record: every line followed by CR LF, then NUL.
    std::vector<std::byte> RequestRecord() const;

    // Parses Kel_Return as the reply to `code`; false when it stopped early.
    bool Recievedata(std::uint16_t code);

private:
    std::atomic<bool> replyArrived_{false};
};

}  // namespace kel::frontend
