#include "emu/drive/drive_state.h"

#include <charconv>
#include <sstream>
#include <string_view>

#include "platform/base/log.h"

namespace kel::emu {

namespace {

constexpr std::string_view kPagePrefix = "page.";

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0 || text.size() > 2 * 255) {
        return false;
    }
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

template <typename T>
bool parseNumber(std::string_view text, T& out, int base = 10) {
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    out = value;
    return true;
}

template <typename Enum>
bool parseEnum(std::string_view text, Enum& out, int last) {
    int value = 0;
    if (!parseNumber(text, value) || value < 0 || value > last) {
        return false;
    }
    out = static_cast<Enum>(value);
    return true;
}

bool parseFlag(std::string_view text, bool& out) {
    if (text != "0" && text != "1") {
        return false;
    }
    out = text == "1";
    return true;
}

bool applyValue(std::string_view key, std::string_view value, DriveState& state) {
    if (key.starts_with(kPagePrefix)) {
        std::uint8_t code = 0;
        std::vector<std::uint8_t> bytes;
        if (!parseNumber(key.substr(kPagePrefix.size()), code, 16) || code > 0x3F ||
            !parseHexBytes(value, bytes)) {
            return false;
        }
        state.pages[code] = std::move(bytes);
        return true;
    }
    PlayState& play = state.play;
    if (key == "tray_open")
        return parseFlag(value, state.trayOpen);
    if (key == "locked")
        return parseFlag(value, state.locked);
    if (key == "becoming_ready") {
        return parseNumber(value, state.becomingReadyPolls) && state.becomingReadyPolls >= 0;
    }
    if (key == "attention")
        return parseEnum(value, state.attention, 2);
    if (key == "disc") {
        state.discIdentity = std::string(value);
        return true;
    }
    if (key == "play_status")
        return parseEnum(value, play.status, 4);
    if (key == "play_end")
        return parseNumber(value, play.end);
    if (key == "play_position")
        return parseNumber(value, play.position);
    if (key == "play_started_ms")
        return parseNumber(value, play.startedAtMs);
    if (key == "density")
        return parseNumber(value, state.density);
    if (key == "block_length")
        return parseNumber(value, state.blockLength);
    if (key == "read_speed")
        return parseNumber(value, state.readSpeedKbs);
    return false;
}

}  // namespace

std::string serialiseState(const DriveState& state) {
    std::ostringstream out;
    out << "tray_open=" << int(state.trayOpen) << '\n'
        << "locked=" << int(state.locked) << '\n'
        << "becoming_ready=" << state.becomingReadyPolls << '\n'
        << "attention=" << int(state.attention) << '\n'
        << "disc=" << state.discIdentity << '\n'
        << "play_status=" << int(state.play.status) << '\n'
        << "play_end=" << state.play.end << '\n'
        << "play_position=" << state.play.position << '\n'
        << "play_started_ms=" << state.play.startedAtMs << '\n'
        << "density=" << int(state.density) << '\n'
        << "block_length=" << state.blockLength << '\n'
        << "read_speed=" << state.readSpeedKbs << '\n';
    for (const auto& [code, bytes] : state.pages) {
        out << kPagePrefix << std::hex << int(code) << std::dec << '=' << hex(bytes) << '\n';
    }
    return out.str();
}

DriveState parseState(const std::string& text, const DriveState& base,
                      const std::filesystem::path& origin) {
    DriveState state = base;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty()) {
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string_view view(line);
        if (equals == std::string::npos ||
            !applyValue(view.substr(0, equals), view.substr(equals + 1), state)) {
            log::warning("emu", origin.string() + ":" + std::to_string(number) +
                                    ": skipped a malformed drive state line");
        }
    }
    return state;
}

}  // namespace kel::emu
