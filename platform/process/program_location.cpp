#include "program_location.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/drives/dos_path.h"
#include "platform/drives/path_translation.h"
#include "platform/process/launch_codes.h"

namespace kel::process {
namespace fs = std::filesystem;
namespace {

struct Request {
    fs::path root;
    std::vector<std::string> components;
};

// Linux paths take '/' only, so that a file name holding a backslash still
// names itself; relative names come from the programs' desktop texts and
// take both separators, as a drive path does.
Request linuxRequest(const fs::path& root, std::string_view relative, bool desktopSeparators) {
    Request request{root, {}};
    std::string_view separators = desktopSeparators ? "\\/" : "/";
    while (!relative.empty()) {
        std::size_t end = relative.find_first_of(separators);
        std::string_view part = relative.substr(0, end);
        relative.remove_prefix(end == std::string_view::npos ? relative.size() : end + 1);
        if (part == "..") {
            if (!request.components.empty()) {
                request.components.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            request.components.emplace_back(part);
        }
    }
    return request;
}

std::optional<std::string> withoutProgramEnding(const std::string& name) {
    if (name.size() <= 4) {
        return std::nullopt;
    }
    std::string ending = name.substr(name.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (ending != ".exe" && ending != ".com") {
        return std::nullopt;
    }
    return name.substr(0, name.size() - 4);
}

int failureCode(drives::Lookup status) {
    switch (status) {
        case drives::Lookup::Found:
            return 0;
        case drives::Lookup::FileMissing:
        case drives::Lookup::Invalid:
            return code::kFileNotFound;
        case drives::Lookup::FolderMissing:
        case drives::Lookup::NoRoot:
            return code::kPathNotFound;
        case drives::Lookup::OutsideRoot:
            return code::kAccessDenied;
    }
    return code::kFileNotFound;
}

}  // namespace

Location locate(std::string_view name, const fs::path& baseFolder) {
    if (name.empty()) {
        return {{}, code::kFileNotFound, "no file name given"};
    }
    Request request;
    if (drives::hasDriveLetter(name)) {
        std::optional<drives::DosPath> parsed = drives::parseDosPath(name);
        std::optional<fs::path> root =
            parsed ? drives::drives().root(parsed->letter) : std::nullopt;
        if (!root) {
            return {{},
                    code::kPathNotFound,
                    std::string(name) + ": the drive has no folder (no disc, or not mounted)"};
        }
        request = {*root, parsed->components};
    } else if (name.front() == '/') {
        request = linuxRequest("/", name, false);
    } else {
        request = linuxRequest(baseFolder, name, true);
    }
    drives::Translation found = drives::resolveBelow(request.root, request.components);
    if (found.status == drives::Lookup::FileMissing && !request.components.empty()) {
        if (std::optional<std::string> stem = withoutProgramEnding(request.components.back())) {
            request.components.back() = *stem;
            drives::Translation bare = drives::resolveBelow(request.root, request.components);
            if (bare.status == drives::Lookup::Found) {
                found = bare;
            }
        }
    }
    return {found.status == drives::Lookup::Found ? found.path : fs::path(),
            failureCode(found.status), found.error};
}

}  // namespace kel::process
