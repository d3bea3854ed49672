// Raw READ CD throughput of the emulated drive over a 650 MB MODE1/2352 image
// built by mkdisc at run time, against reading the same BIN file directly in
// the same run. The image lives in a temporary folder, removed afterwards.
//   emu_read_cd_bench [SECTORS_PER_COMMAND]   (default 26)
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/common/bench_disc.h"
#include "emu/drive/emulated_drive.h"

namespace {

using Clock = std::chrono::steady_clock;
using kel::bench::kRawSize;
using kel::bench::seconds;
constexpr auto kTimeout = std::chrono::milliseconds(10000);

// Every sector of the disc through READ CD (0xBE) with sync, header, user
// data and EDC/ECC (byte 9 = 0xF8): 2352 bytes a sector. Returns bytes read.
std::uint64_t readThroughDrive(kel::scsi::Transport& drive, std::int32_t sectors,
                               std::uint32_t perCommand) {
    std::vector<std::uint8_t> buffer(perCommand * kRawSize);
    std::uint64_t total = 0;
    for (std::int32_t lba = 0; lba < sectors;) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::int64_t>(perCommand, sectors - lba));
        const std::array<std::uint8_t, 12> cdb = {0xBE,
                                                  0x00,
                                                  static_cast<std::uint8_t>(lba >> 24),
                                                  static_cast<std::uint8_t>(lba >> 16),
                                                  static_cast<std::uint8_t>(lba >> 8),
                                                  static_cast<std::uint8_t>(lba),
                                                  static_cast<std::uint8_t>(count >> 16),
                                                  static_cast<std::uint8_t>(count >> 8),
                                                  static_cast<std::uint8_t>(count),
                                                  0xF8,
                                                  0x00,
                                                  0x00};
        const auto result = drive.execute(cdb, kel::scsi::Direction::In,
                                          std::span(buffer.data(), count * kRawSize), kTimeout);
        if (!result.ok() || result.transferred != count * kRawSize) {
            std::fprintf(stderr, "READ CD at %d failed: status %02X sense %X/%02X/%02X %s\n", lba,
                         result.status, result.sense.key(), result.sense.asc(), result.sense.ascq(),
                         result.error.text.c_str());
            std::exit(1);
        }
        total += result.transferred;
        lba += static_cast<std::int32_t>(count);
    }
    return total;
}

// Clears the unit attention of a fresh load, as a program's first commands do.
bool waitReady(kel::scsi::Transport& drive) {
    const std::array<std::uint8_t, 6> testUnitReady{};
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (drive.execute(testUnitReady, kel::scsi::Direction::None, {}, kTimeout).ok()) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const long perCommand = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 26;
    if (perCommand < 1 || perCommand > 64) {
        std::fprintf(stderr, "usage: emu_read_cd_bench [SECTORS_PER_COMMAND 1..64]\n");
        return 2;
    }
    kel::bench::BenchDisc bench;
    const kel::mkdisc::BuiltDisc& disc = bench.disc();
    const std::int32_t sectors = bench.sectors();

    std::string error;
    auto drive = kel::emu::openEmulatedDrive(disc.descriptor, error);
    if (!drive || !waitReady(*drive)) {
        std::fprintf(stderr, "cannot open the emulated drive: %s\n", error.c_str());
        return 1;
    }
    const auto perCmd = static_cast<std::uint32_t>(perCommand);
    // Once untimed each, so that both measured passes read from the page cache.
    kel::bench::readDirectly(bench.bin(), perCmd * kRawSize);
    readThroughDrive(*drive, sectors, perCmd);

    const auto directStart = Clock::now();
    const std::uint64_t directBytes = kel::bench::readDirectly(bench.bin(), perCmd * kRawSize);
    const double directSeconds = seconds(Clock::now() - directStart);
    const auto driveStart = Clock::now();
    const std::uint64_t driveBytes = readThroughDrive(*drive, sectors, perCmd);
    const double driveSeconds = seconds(Clock::now() - driveStart);

    const double direct = directBytes / directSeconds / 1e6;
    const double emulated = driveBytes / driveSeconds / 1e6;
    std::printf("direct BIN read:        %8.1f MB/s (%llu bytes, %u sectors a read)\n", direct,
                static_cast<unsigned long long>(directBytes), perCmd);
    std::printf("emulated READ CD 0xF8:  %8.1f MB/s (%llu bytes, %u sectors a command)\n", emulated,
                static_cast<unsigned long long>(driveBytes), perCmd);
    std::printf("ratio: %.2f (target >= 0.50)\n", emulated / direct);
    return 0;
}
