// A drive-server client whose server is a script in the test: each request's
// lines go to `answer`, and what it returns comes back as the reply record
// (nothing: no reply at all).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "frontend/common/drive_server_client.h"

namespace kel::frontend::testing {

using Record = std::vector<std::byte>;

// A text reply: every line followed by CR LF, then NUL.
Record TextReply(const std::vector<std::string>& lines);
// Raw bytes as a record.
Record BytesReply(const std::vector<std::uint8_t>& bytes);

class ScriptedClient : public DriveServerClient {
public:
    std::function<std::optional<Record>(const std::vector<std::string>& request)> answer;
    // Every request's lines, in order.
    std::vector<std::vector<std::string>> requests;
    // The last request as it went out.
    Record lastRecord;

protected:
    void Senddata() override;
};

// Puts the module variables back to their start values.
void ResetKelCdData();

}  // namespace kel::frontend::testing
