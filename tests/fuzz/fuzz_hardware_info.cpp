// The hardware information list over whatever a drive put into its INQUIRY
// data and its capabilities page: every row must come out as a label, a TAB
// and a value, and only the rows the page allows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "diag/tools/hardware/hardware_info.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HardwareFacts facts;
    auto take = [&](std::uint8_t* out, std::size_t length) {
        const std::size_t n = std::min(length, size);
        std::memcpy(out, data, n);
        data += n;
        size -= n;
    };
    std::uint8_t head[6] = {};
    take(head, sizeof head);
    facts.hasCapabilitiesPage = (head[0] & 1) != 0;
    facts.mode10 = (head[0] & 2) != 0;
    facts.cddaCommand = head[1];
    facts.rawCommand = head[2];
    facts.trackInfoCommand = head[3];
    facts.inactivityTimer = head[4];
    const int reasonCode = head[5] & 7;
    take(facts.capabilitiesPage.data(), facts.capabilitiesPage.size());
    take(facts.inquiry.data(), facts.inquiry.size());
    facts.description.assign(reinterpret_cast<const char*>(data), size);

    const auto lines = HardwareInfoLines(facts, reasonCode);
    const std::size_t expected = (facts.hasCapabilitiesPage ? 23u : 8u) + (reasonCode != 0);
    if (lines.size() != expected) {
        std::abort();
    }
    for (const auto& line : lines) {
        if (line.find('\t') == std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
