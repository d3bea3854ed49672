// The 650 MB disc the benchmarks read: built by mkdisc at run time in a
// temporary folder (never committed), removed when the object goes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "tools/mkdisc/build_disc.h"

namespace kel::bench {

inline constexpr std::size_t kRawSize = 2352;

class BenchDisc {
public:
    // Builds a MODE1/2352 disc of about 650 MB, or exits with a message.
    BenchDisc();
    ~BenchDisc();
    BenchDisc(const BenchDisc&) = delete;
    BenchDisc& operator=(const BenchDisc&) = delete;

    const mkdisc::BuiltDisc& disc() const { return disc_; }
    std::int32_t sectors() const { return disc_.plan.leadOut; }
    const std::filesystem::path& bin() const { return disc_.bins.front(); }

private:
    std::filesystem::path folder_;
    mkdisc::BuiltDisc disc_;
};

// Reads the whole file in chunks of `chunkBytes`; returns the bytes read.
std::uint64_t readDirectly(const std::filesystem::path& file, std::size_t chunkBytes);

double seconds(std::chrono::steady_clock::duration elapsed);

}  // namespace kel::bench
