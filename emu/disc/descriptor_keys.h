// The descriptor's keys: what each key line fills in, for the reader in
// descriptor_file.cpp and the recordable-media keys in
// descriptor_recording_keys.cpp.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "emu/disc/descriptor.h"
#include "emu/disc/descriptor_values.h"
#include "emu/disc/recording.h"

namespace kel::emu {

using descriptor::Problem;

// What the key lines fill in; relative paths are resolved against `folder`.
struct Reading {
    std::filesystem::path folder;
    DriveDescription drive;
    std::filesystem::path image;
    int imageLine = 0;
    int mountedFolderLine = 0;
    Recording recording;
    int line = 0;  // of the key being applied
};

using Apply = std::function<std::optional<Problem>(Reading&, std::string_view)>;

struct Key {
    std::string_view section;
    std::string_view name;
    Apply apply;
};

template <typename T, typename Target>
std::optional<Problem> store(std::variant<T, Problem> parsed, Target& target) {
    if (auto* problem = std::get_if<Problem>(&parsed)) {
        return std::move(*problem);
    }
    target = std::move(std::get<T>(parsed));
    return std::nullopt;
}

// A path as written: relative ones are relative to `folder`.
std::optional<Problem> resolvePath(std::string_view value, const std::filesystem::path& folder,
                                   std::filesystem::path& out);

// [disc] medium and the other recordable-media keys, [track N], [session N],
// [atip], and the drive and fault keys that go with them.
const std::vector<Key>& recordingKeys();

}  // namespace kel::emu
