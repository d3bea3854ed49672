#include "launch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/base/log.h"
#include "platform/base/paths.h"
#include "platform/process/command_line.h"
#include "platform/process/detached_spawn.h"
#include "platform/process/program_location.h"

namespace kel::process {
namespace fs = std::filesystem;
namespace {

fs::path currentFolder() {
    std::error_code ec;
    fs::path folder = fs::current_path(ec);
    return ec ? fs::path("/") : folder;
}

int codeForErrno(int error) {
    switch (error) {
        case 0:
            return code::kStarted;
        case ENOENT:
            return code::kFileNotFound;
        case ENOTDIR:
            return code::kPathNotFound;
        case ENOEXEC:
        case EACCES:
        case EPERM:
        case ETXTBSY:
            return code::kBadFormat;
        case ENOMEM:
        case E2BIG:
            return code::kOutOfMemory;
        default:
            return code::kOutOfResources;
    }
}

// Something Linux can run: an ELF binary or a script with an interpreter line,
// with execute permission. Files on a CD often carry execute bits for all, so
// the bits alone do not make a document a program.
bool isRunnable(const fs::path& file) {
    if (::access(file.c_str(), X_OK) != 0) {
        return false;
    }
    char magic[4] = {};
    std::ifstream in(file, std::ios::binary);
    in.read(magic, sizeof magic);
    std::streamsize got = in.gcount();
    return (got == 4 && magic[0] == '\x7f' && magic[1] == 'E' && magic[2] == 'L' &&
            magic[3] == 'F') ||
           (got >= 2 && magic[0] == '#' && magic[1] == '!');
}

// "mailto:", "https:" ...: a scheme of two or more letters, so that "D:\x" is a drive.
bool isAddress(std::string_view file) {
    std::size_t colon = file.find(':');
    if (colon == std::string_view::npos || colon < 2) {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        char c = file[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) {
            return false;
        }
    }
    return true;
}

std::optional<fs::path> findInPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        std::size_t end = folders.find(':');
        std::string_view folder = folders.substr(0, end);
        folders.remove_prefix(end == std::string_view::npos ? folders.size() : end + 1);
        if (folder.empty()) {
            continue;
        }
        fs::path candidate = fs::path(folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

int openWithDesktop(const std::string& target, const fs::path& workFolder) {
    std::optional<fs::path> opener = findInPath("xdg-open");
    if (!opener) {
        log::warning("process", "cannot open \"" + target + "\": xdg-open is not installed");
        return code::kNoAssociation;
    }
    return codeForErrno(spawnDetached(*opener, {"xdg-open", target}, workFolder));
}

// A working folder as the programs give it: a drive path or a Linux path.
std::optional<fs::path> resolveFolder(std::string_view folder) {
    Location found = locate(folder, currentFolder());
    std::error_code ec;
    if (found.failure != 0 || !fs::is_directory(found.file, ec)) {
        return std::nullopt;
    }
    return found.file;
}

int startLocated(const Location& found, std::vector<std::string> arguments,
                 const fs::path& workFolder, const SpawnExtras& extras = {}) {
    std::error_code ec;
    if (fs::is_directory(found.file, ec)) {
        return code::kAccessDenied;
    }
    if (!isRunnable(found.file)) {
        return code::kBadFormat;
    }
    arguments.insert(arguments.begin(), found.file.string());
    return codeForErrno(spawnDetached(found.file, arguments, workFolder, extras));
}

}  // namespace

int startProgram(std::string_view commandLine, const SpawnExtras& extras) {
    std::vector<std::string> tokens = splitCommandLine(commandLine);
    if (tokens.empty() || tokens.front().empty()) {
        return code::kFileNotFound;
    }
    Location found = locate(tokens.front(), paths::programDir());
    if (found.failure != 0) {
        log::warning("process", "cannot start \"" + tokens.front() + "\": " + found.error);
        return found.failure;
    }
    tokens.erase(tokens.begin());
    return startLocated(found, std::move(tokens), {}, extras);
}

int shellOpen(std::string_view file, std::string_view parameters, std::string_view workingFolder) {
    fs::path workFolder;
    if (!workingFolder.empty()) {
        std::optional<fs::path> folder = resolveFolder(workingFolder);
        if (!folder) {
            return code::kPathNotFound;
        }
        workFolder = *folder;
    }
    if (isAddress(file)) {
        return openWithDesktop(std::string(file), workFolder);
    }
    Location found = locate(file, workFolder.empty() ? currentFolder() : workFolder);
    if (found.failure != 0) {
        log::warning("process", "cannot open \"" + std::string(file) + "\": " + found.error);
        return found.failure;
    }
    std::error_code ec;
    if (fs::is_directory(found.file, ec) || !isRunnable(found.file)) {
        return openWithDesktop(fs::absolute(found.file, ec).string(), workFolder);
    }
    return startLocated(found, splitArguments(parameters), workFolder);
}

}  // namespace kel::process
