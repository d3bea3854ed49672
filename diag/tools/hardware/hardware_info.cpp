#include "diag/tools/hardware/hardware_info.h"

#include <algorithm>

#include <array>
#include <cstdint>
#include <span>

#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

enum class Source {
    Description,
    Inquiry,
    CddaCommand,
    RawCommand,
    TrackInfoCommand,
    Settings,
    Page
};
enum class Kind { Text, Hex, Decimal, Speed, Flag, Named, Settings };

// One item of the list. For the number kinds a non-zero mask first takes
// (number >> shift) & mask; a flag is set when (byte & mask) == value.
struct InfoItem {
    Source source;
    Kind kind;
    int label;
    std::size_t offset;  // into the INQUIRY data or the capabilities page
    std::size_t width;   // 0: zero-terminated text; else bytes or characters
    std::uint8_t mask;
    std::uint8_t shiftOrValue;
};

constexpr InfoItem kItems[] = {
    {Source::Description, Kind::Text, 5002, 0, 0, 0, 0},
    {Source::Inquiry, Kind::Text, 5003, 32, 4, 0, 0},
    {Source::Inquiry, Kind::Text, 5004, 36, 8, 0, 0},
    {Source::CddaCommand, Kind::Hex, 5007, 0, 1, 0, 0},
    {Source::RawCommand, Kind::Hex, 5033, 0, 1, 0, 0},
    {Source::TrackInfoCommand, Kind::Hex, 5034, 0, 1, 0, 0},
    {Source::Settings, Kind::Settings, 0, 0, 0, 0, 0},
    {Source::Page, Kind::Named, 5022, 6, 1, 7, 5},
    {Source::Page, Kind::Flag, 5008, 5, 1, 0x80, 0x80},
    {Source::Page, Kind::Flag, 5009, 5, 1, 0x40, 0x40},
    {Source::Page, Kind::Flag, 5010, 5, 1, 0x20, 0x20},
    {Source::Page, Kind::Speed, 5011, 8, 2, 0, 0},
    {Source::Page, Kind::Decimal, 5012, 12, 2, 0, 0},
    {Source::Page, Kind::Flag, 5013, 4, 1, 0x40, 0x40},
    {Source::Page, Kind::Flag, 5016, 4, 1, 0x10, 0x10},
    {Source::Page, Kind::Flag, 5015, 4, 1, 0x20, 0x20},
    {Source::Page, Kind::Flag, 5017, 4, 1, 0x04, 0x04},
    {Source::Page, Kind::Flag, 5018, 4, 1, 0x08, 0x08},
    {Source::Page, Kind::Flag, 5019, 4, 1, 0x01, 0x01},
    {Source::Page, Kind::Flag, 5020, 5, 1, 0x01, 0x01},
    {Source::Page, Kind::Flag, 5021, 5, 1, 0x02, 0x02},
};
static_assert(std::size(kItems) == 21);

constexpr int kKbpsPerSpeedFactor = 176;

constexpr const char* kInactivityTexts[16] = {
    "Infinite",  ".125 seconds", ".25 seconds", ".5 seconds", "1 second", "2 seconds",
    "4 seconds", "8 seconds",    "16 seconds",  "32 seconds", "1 minute", "2 minutes",
    "4 minutes", "8 minutes",    "16 minutes",  "32 minutes",
};

// The `index`th ";"-separated part of a message ("" past its end).
std::string messagePart(int id, std::size_t index) {
    const std::string text = LoadResString(id);
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = text.find(';', start);
        if (start == std::string::npos) {
            return {};
        }
        ++start;
    }
    return text.substr(start, text.find(';', start) - start);
}

std::string format(std::string_view pattern, std::initializer_list<FormatArg> args) {
    return FormatText(pattern, std::span<const FormatArg>(args.begin(), args.size()), 100);
}

// A fixed-width text from the drive: cut at its width (and at a NUL, which
// ends a text), trailing blanks removed.
std::string fixedText(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        if (byte == 0) {
            break;
        }
        text += static_cast<char>(byte);
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t number = 0;
    for (std::uint8_t byte : bytes) {
        number = number << 8 | byte;
    }
    return number;
}

// The item's bytes in the INQUIRY data or the capabilities page.
std::span<const std::uint8_t> itemBytes(const HardwareFacts& facts, const InfoItem& item) {
    const std::span<const std::uint8_t> source =
        item.source == Source::Inquiry ? std::span<const std::uint8_t>(facts.inquiry)
                                       : std::span<const std::uint8_t>(facts.capabilitiesPage);
    return source.subspan(item.offset, item.width);
}

std::uint32_t itemNumber(const HardwareFacts& facts, const InfoItem& item) {
    switch (item.source) {
        case Source::CddaCommand:
            return facts.cddaCommand;
        case Source::RawCommand:
            return facts.rawCommand;
        case Source::TrackInfoCommand:
            return facts.trackInfoCommand;
        default:
            return bigEndian(itemBytes(facts, item));
    }
}

std::string itemLine(const HardwareFacts& facts, const InfoItem& item) {
    if (item.kind == Kind::Text) {
        return AddInfoLine(item.label, item.source == Source::Description
                                           ? facts.description
                                           : fixedText(itemBytes(facts, item)));
    }
    if (item.kind == Kind::Flag) {
        return AddInfoFlagLine(item.label,
                               (itemBytes(facts, item)[0] & item.mask) == item.shiftOrValue);
    }
    std::uint32_t number = itemNumber(facts, item);
    if (item.mask != 0) {
        number = (number >> item.shiftOrValue) & item.mask;
    }
    switch (item.kind) {
        case Kind::Hex:
            return AddInfoLine(item.label, format("0x%x", {number}));
        case Kind::Speed:
            return AddInfoLine(item.label,
                               format("%d Kbps, %dX", {number, number / kKbpsPerSpeedFactor}));
        case Kind::Named:
            return AddInfoLine(item.label,
                               LoadResString(item.label + 1 + static_cast<int>(number)));
        default:
            return AddInfoLine(item.label, format("%d", {number}));
    }
}

}  // namespace

std::string AddInfoLine(int labelId, const std::string& value) {
    return LoadResString(labelId) + '\t' + value;
}

std::string AddInfoFlagLine(int labelId, bool value) {
    return AddInfoLine(labelId, messagePart(5001, value ? 1 : 0));
}

const char* InactivityText(std::uint8_t timerValue) {
    return kInactivityTexts[timerValue & 0x0F];
}

std::vector<std::string> HardwareInfoLines(const HardwareFacts& facts, int reasonCode) {
    std::vector<std::string> lines;
    for (const InfoItem& item : kItems) {
        if (item.kind == Kind::Settings) {
            lines.push_back(AddInfoFlagLine(5031, facts.mode10));
            if (reasonCode != 0) {
                lines.push_back(AddInfoLine(5035, format("%d", {reasonCode})));
            }
            if (!facts.hasCapabilitiesPage) {
                break;
            }
            continue;
        }
        lines.push_back(itemLine(facts, item));
    }
    lines.push_back(AddInfoLine(5014, InactivityText(facts.inactivityTimer)));
    if (facts.hasCapabilitiesPage) {
        const std::array<std::uint8_t, kCapabilitiesBytes>& page = facts.capabilitiesPage;
        const std::size_t entry = static_cast<std::size_t>(((page[3] & 3) << 2) | (page[2] & 3));
        lines.push_back(AddInfoLine(5005, messagePart(5006, entry)));
    }
    return lines;
}

std::vector<std::string> FillHardwareInfo(CdDevice& device, int reasonCode) {
    HardwareFacts facts;
    if (!device.Inquiry(facts.inquiry)) {
        return {LoadResString(5000)};
    }
    // The drive's data ends where its additional length says: what lies
    // beyond is not the drive's answer, however the transfer filled it.
    const std::size_t returned = std::min<std::size_t>(kInquiryBytes, facts.inquiry[4] + 5u);
    std::fill(facts.inquiry.begin() + static_cast<std::ptrdiff_t>(returned), facts.inquiry.end(),
              std::uint8_t{0});
    facts.description = device.DeviceDescription();
    facts.hasCapabilitiesPage = device.GetCapabilitiesPage(facts.capabilitiesPage);
    facts.cddaCommand = device.CDDACmd();
    facts.rawCommand = device.RawCmd();
    facts.trackInfoCommand = device.TrkInfo();
    facts.mode10 = device.Mode10();
    facts.inactivityTimer = device.page0dByte3;
    return HardwareInfoLines(facts, reasonCode);
}

}  // namespace kel::diag
