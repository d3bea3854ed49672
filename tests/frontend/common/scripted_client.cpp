#include "scripted_client.h"

#include "frontend/common/kel_cd_data.h"

namespace kel::frontend::testing {

Record TextReply(const std::vector<std::string>& lines) {
    Record record;
    for (const std::string& line : lines) {
        for (char c : line + "\r\n") {
            record.push_back(static_cast<std::byte>(c));
        }
    }
    record.push_back(std::byte{0});
    return record;
}

Record BytesReply(const std::vector<std::uint8_t>& bytes) {
    Record record(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        record[i] = static_cast<std::byte>(bytes[i]);
    }
    return record;
}

void ScriptedClient::Senddata() {
    lastRecord = RequestRecord();
    requests.push_back(Kel_Pass);
    if (!answer) {
        return;
    }
    if (std::optional<Record> reply = answer(Kel_Pass)) {
        AcceptReply(*reply);
    }
}

void ResetKelCdData() {
    KelCdData = KelCdVariables{};
}

}  // namespace kel::frontend::testing
