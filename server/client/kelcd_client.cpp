// kelcd-client: sends one request to the drive server as a front end would
// and prints the reply. Usage:
//   kelcd-client [--out FILE] [--keep] CODE [PARAM...]
// CODE and PARAMs are decimal or 0x hex. The server is started by file name
// and found by the handshake; unless --keep, it is closed with code 0 after.
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "server/client/link_client.h"
#include "server/request_codes.h"

namespace {

constexpr std::chrono::seconds kConnectTimeout{15};
// Replies of more bytes than this are sector data, never text.
constexpr std::size_t kLongestTextReply = 2350;

struct Options {
    std::optional<std::string> outFile;
    bool keep = false;
    std::vector<std::string> lines;  // decimal: the code, then the parameters
};

std::optional<long long> parseNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        long long value = std::stoll(text, &used, 0);
        if (used == text.size()) {
            return value;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::optional<Options> parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--out" && i + 1 < argc) {
            options.outFile = argv[++i];
        } else if (auto value = parseNumber(arg)) {
            options.lines.push_back(std::to_string(*value));
        } else {
            std::cerr << "kelcd-client: not a number: " << arg << "\n";
            return std::nullopt;
        }
    }
    if (options.lines.empty()) {
        std::cerr << "usage: kelcd-client [--out FILE] [--keep] CODE [PARAM...]\n";
        return std::nullopt;
    }
    return options;
}

bool writeSectors(const std::string& file, const std::vector<std::uint8_t>& reply) {
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
    } else if (options->outFile && reply->size() > kLongestTextReply) {
        if (!writeSectors(*options->outFile, *reply)) {
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
    if (!options->keep && options->lines.front() != exitCode) {
        client.request({exitCode});
    }
    return reply ? 0 : 1;
}
