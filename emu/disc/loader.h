// Loading a disc for the emulated drive from an image or a descriptor file.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "emu/disc/descriptor.h"

namespace kel::emu {

// A load failure: the file and (for text files) the line at fault, and why.
struct LoadError {
    std::filesystem::path file;
    int line = 0;  // 0 when no single line is at fault
    std::string message;
    std::string text() const;  // "file:line: message" or "file: message"
};

// Dispatches on the extension: ".iso" (one MODE1/2048 track), ".cue" (CUE
// sheet), ".emu" (descriptor; it names an .iso or .cue). Relative paths in a
// CUE or descriptor are relative to that file's folder.
std::variant<LoadedDrive, LoadError> loadDrive(const std::filesystem::path& source);

// The parsers, exposed for tests and fuzzing: `text` is the file's content,
// `origin` the path used in errors and for resolving relative names.
std::variant<Disc, LoadError> parseCueSheet(const std::string& text,
                                            const std::filesystem::path& origin);
std::variant<LoadedDrive, LoadError> parseDescriptor(const std::string& text,
                                                     const std::filesystem::path& origin);

}  // namespace kel::emu
