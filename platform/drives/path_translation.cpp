#include "path_translation.h"

#include <algorithm>
#include <system_error>

#include "platform/drives/dos_path.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

char foldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(x) == foldCase(y);
           });
}

bool isWithin(const fs::path& path, const fs::path& root) {
    auto [rootEnd, pathEnd] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    // A trailing separator leaves an empty last element in the root.
    return rootEnd == root.end() || (std::next(rootEnd) == root.end() && rootEnd->empty());
}

// Symlinks are followed; a path that leads out of the root is refused before
// anything below it is listed.
bool staysWithin(const fs::path& path, const fs::path& realRoot) {
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    return !ec && isWithin(real, realRoot);
}

Translation failure(Lookup status, fs::path path, std::string error) {
    return {status, std::move(path), std::move(error)};
}

}  // namespace

std::optional<fs::path> findIgnoringCase(const fs::path& folder, std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::error_code ec;
    fs::path exact = folder / name;
    if (fs::exists(fs::symlink_status(exact, ec))) {
        return exact;
    }
    std::optional<fs::path> best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        fs::path entry = it->path();
        if (equalIgnoringCase(entry.filename().native(), name) &&
            (!best || entry.filename() < best->filename())) {
            best = entry;
        }
    }
    return best;
}

Translation resolveBelow(const fs::path& root, const std::vector<std::string>& components) {
    std::error_code ec;
    fs::path realRoot = fs::canonical(root, ec);
    if (ec) {
        return failure(Lookup::NoRoot, root, root.string() + ": " + ec.message());
    }
    fs::path current = root;
    for (std::size_t i = 0; i < components.size(); ++i) {
        bool last = i + 1 == components.size();
        std::optional<fs::path> found = findIgnoringCase(current, components[i]);
        if (!found) {
            fs::path missing = current / components[i];
            return last ? failure(Lookup::FileMissing, missing, missing.string() + ": no such file")
                        : failure(Lookup::FolderMissing, missing,
                                  missing.string() + ": no such folder");
        }
        current = *found;
        if (!staysWithin(current, realRoot)) {
            return failure(Lookup::OutsideRoot, current,
                           current.string() + ": leads outside " + root.string());
        }
        if (!last && !fs::is_directory(current, ec)) {
            return failure(Lookup::FolderMissing, current, current.string() + ": not a folder");
        }
    }
    return {Lookup::Found, current, {}};
}

Translation translatePath(std::string_view dosPath, const DriveTable& table) {
    std::optional<DosPath> parsed = parseDosPath(dosPath);
    if (!parsed) {
        return failure(Lookup::Invalid, {}, "\"" + std::string(dosPath) + "\" is not a drive path");
    }
    std::optional<fs::path> root = table.root(parsed->letter);
    if (!root) {
        return failure(Lookup::NoRoot, {},
                       std::string("drive ") + parsed->letter + ": has no folder to stand for it");
    }
    return resolveBelow(*root, parsed->components);
}

}  // namespace kel::drives
