// CUE sheets from untrusted bytes: parsing and layout must never crash or
// hang, and every sheet they accept must describe a well-formed disc.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "emu/disc/cue_sheet.h"

namespace {

// File sizes come from the names, so that one input reaches both complete
// and truncated files, and sizes that are not whole sectors.
std::variant<std::uint64_t, std::string> sizeFromName(const std::filesystem::path& path) {
    const auto name = path.filename().string();
    if (name.empty() || name[0] == 'x') {
        return std::string("no such file");
    }
    std::uint64_t size = 0;
    for (const unsigned char c : name) {
        size = size * 31 + c;
    }
    return (size % 4096) * (name.size() % 2 == 0 ? 2352 : 2048) + (name[0] == 'o' ? 5 : 0);
}

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = kel::emu::parseCueSheet(text, "/fuzz/sheet.cue", sizeFromName);
    if (const auto* disc = std::get_if<kel::emu::Disc>(&result)) {
        check(!disc->tracks.empty() && disc->leadOut <= kel::emu::kMaxLeadOut);
        std::int32_t next = disc->tracks.front().pregapStart;
        for (const auto& track : disc->tracks) {
            check(track.pregapStart == next && track.pregapStart <= track.storedFrom);
            check(track.storedFrom <= track.start && track.start < track.storedTo);
            check(track.storedTo <= track.end && track.file < disc->files.size());
            check(disc->trackAt(track.start) == &track);
            next = track.end;
        }
        check(next == disc->leadOut);
    }
    return 0;
}
