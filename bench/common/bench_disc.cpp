#include "bench_disc.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "tools/mkdisc/recipe_parser.h"

namespace kel::bench {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kImageBytes = 650ull * 1000 * 1000;
// The file system adds its own sectors; leave room for them.
constexpr std::uint64_t kFileBytes = (kImageBytes / kRawSize - 400) * 2048;

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::exit(1);
}

}  // namespace

BenchDisc::BenchDisc() {
    std::random_device random;
    do {
        folder_ = fs::temp_directory_path() / ("kel-bench-" + std::to_string(random()));
    } while (!fs::create_directory(folder_));
    const fs::path recipeFile = folder_ / "bench.recipe";
    std::ofstream(recipeFile) << "[disc]\nname = bench\n[data]\nfile = FILL.BIN size=" << kFileBytes
                              << "\n";

    const auto start = std::chrono::steady_clock::now();
    auto recipe = mkdisc::readRecipe(recipeFile);
    if (auto* error = std::get_if<mkdisc::BuildError>(&recipe)) {
        fail(error->text());
    }
    mkdisc::BuildOptions options;
    options.outputDir = folder_ / "out";
    auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(recipe), options);
    if (auto* error = std::get_if<mkdisc::BuildError>(&built)) {
        fail(error->text());
    }
    disc_ = std::get<mkdisc::BuiltDisc>(built);
    std::printf("image: %d sectors, %.1f MB MODE1/2352, built in %.1f s\n", sectors(),
                sectors() * double(kRawSize) / 1e6,
                seconds(std::chrono::steady_clock::now() - start));
}

BenchDisc::~BenchDisc() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::uint64_t readDirectly(const fs::path& file, std::size_t chunkBytes) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(chunkBytes);
    std::uint64_t total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        total += static_cast<std::uint64_t>(in.gcount());
    }
    return total;
}

double seconds(std::chrono::steady_clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

}  // namespace kel::bench
