// A whole 650 MB disc read through the drive server as raw 12-sector
// requests (the compare program's pattern), against reading the same BIN
// file directly in the same run.
//   server_read_bench
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/common/bench_disc.h"
#include "server/client/link_client.h"

namespace {

using Clock = std::chrono::steady_clock;
using kel::bench::kRawSize;
using kel::bench::seconds;
constexpr int kSectorsPerRequest = 12;

std::uint64_t readThroughServer(kel::server::LinkClient& client, std::int32_t sectors) {
    std::uint64_t total = 0;
    for (std::int32_t lba = 0; lba < sectors; lba += kSectorsPerRequest) {
        int count = std::min(kSectorsPerRequest, sectors - lba);
        auto reply = client.request({"9263", "0", std::to_string(lba), "0", std::to_string(count)});
        if (!reply || reply->size() != count * kRawSize) {
            std::fprintf(stderr, "raw read at %d failed\n", lba);
            std::exit(1);
        }
        total += reply->size();
    }
    return total;
}

}  // namespace

int main() {
    kel::bench::BenchDisc bench;
    ::setenv("KEL_DRIVES", ("D:=" + bench.disc().descriptor.string()).c_str(), 1);
    kel::server::LinkClient client;
    std::string error;
    if (!client.connect(std::chrono::seconds(15), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // The first requests meet the unit attention of a fresh load.
    for (int i = 0; i < 3; ++i) {
        client.request({"12557", "0"});
    }
    const std::size_t chunk = kSectorsPerRequest * kRawSize;
    // Once untimed each, so that both measured passes read from the page cache.
    kel::bench::readDirectly(bench.bin(), chunk);
    readThroughServer(client, bench.sectors());

    const auto directStart = Clock::now();
    const std::uint64_t directBytes = kel::bench::readDirectly(bench.bin(), chunk);
    const double directSeconds = seconds(Clock::now() - directStart);
    const auto serverStart = Clock::now();
    const std::uint64_t serverBytes = readThroughServer(client, bench.sectors());
    const double serverSeconds = seconds(Clock::now() - serverStart);
    client.request({"0"});

    const double direct = directBytes / directSeconds / 1e6;
    const double served = serverBytes / serverSeconds / 1e6;
    std::printf("direct BIN read:         %8.1f MB/s (%d sectors a read)\n", direct,
                kSectorsPerRequest);
    std::printf("server raw requests:     %8.1f MB/s (%d sectors a request)\n", served,
                kSectorsPerRequest);
    std::printf("ratio: %.2f (target >= 0.25)\n", served / direct);
    return 0;
}
