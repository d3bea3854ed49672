// kelcd-client: sends one request to the drive server as a front end would
// and prints the reply, or writes its bytes to FILE. Usage:
//   kelcd-client [--out FILE] CODE [PARAM...]
// CODE and PARAMs are decimal, or hex after 0x. The server is started by file
// name, found by the handshake and closed with code 0 after.
#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/client/link_client.h"
#include "server/request_codes.h"

namespace {

constexpr std::chrono::seconds kConnectTimeout{15};

struct Options {
    std::optional<std::string> outFile;
    std::vector<std::string> lines;  // decimal: the code, then the parameters
};

// Decimal with an optional minus, or hex after 0x: a leading zero is no
// octal prefix ("010" is ten).
std::optional<long long> parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--out" && i + 1 < argc) {
            options.outFile = argv[++i];
        } else if (auto value = parseNumber(arg)) {
            options.lines.push_back(std::to_string(*value));
        } else {
            std::cerr << "kelcd-client: not a number: " << arg << "\n";
            return std::nullopt;
        }
    }
    if (options.lines.empty()) {
        std::cerr << "usage: kelcd-client [--out FILE] CODE [PARAM...]\n";
        return std::nullopt;
    }
    return options;
}

bool writeReply(const std::string& file, const std::vector<std::uint8_t>& reply) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(reply.data()),
              static_cast<std::streamsize>(reply.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = parseArguments(argc, argv);
    if (!options) {
        return 2;
    }
    kel::server::LinkClient client;
    std::string error;
    if (!client.connect(kConnectTimeout, error)) {
        std::cerr << "kelcd-client: " << error << "\n";
        return 1;
    }
    std::optional<std::vector<std::uint8_t>> reply = client.request(options->lines);
    if (!reply) {
        std::cerr << "kelcd-client: no reply\n";
    } else if (options->outFile) {
        if (!writeReply(*options->outFile, *reply)) {
            std::cerr << "kelcd-client: cannot write " << *options->outFile << "\n";
            return 1;
        }
        std::cout << reply->size() << "\n";
    } else {
        for (const std::string& line : kel::server::LinkClient::lines(*reply)) {
            std::cout << line << "\n";
        }
    }
    const std::string exitCode = std::to_string(kel::kExit);
    if (options->lines.front() != exitCode) {
        client.request({exitCode});
    }
    return reply ? 0 : 1;
}
