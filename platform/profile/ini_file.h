// One INI file on disk with the desktop profile semantics: caseless section
// and key names, defaults for missing keys, lenient integers, booleans
// written as 1/0.
//
// Every write goes straight to the disk before it returns, as the desktop
// profile calls do: under a lock on the file (replace_lock.h) the file is
// read afresh, changed in memory and replaced atomically, so a program that
// dies after a write keeps it, and writers in other processes or other
// objects never undo each other's changes. Reads see the file as it is now:
// it is read again whenever it was replaced or changed. One object is for
// one thread at a time.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ini_document.h"

namespace kel::profile {

class IniFile {
public:
    // The file need not exist: it reads as empty and is created (mode 0644)
    // by the first write. Its folder must exist.
    explicit IniFile(std::filesystem::path file);

    const std::filesystem::path& path() const { return file_; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // See parseLenientInteger; `fallback` when the key is missing or holds
    // no number.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    // Any non-zero integer is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    // Each returns false, with a log line, when the names or the value
    // cannot be held by one line or the file cannot be read or written; the
    // file is then left as it was.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInteger(std::string_view section, std::string_view key, int value);
    bool writeBool(std::string_view section, std::string_view key, bool value);
    // True when the file no longer holds the key (or section), also when it
    // never did.
    bool eraseKey(std::string_view section, std::string_view key);
    bool eraseSection(std::string_view section);

private:
    // What identifies one version of the file on disk.
    struct Version {
        bool exists = false;
        unsigned long long device = 0, inode = 0, size = 0;
        long long modifiedNs = 0;
        bool operator==(const Version&) const = default;
    };

    // Brings `document_` up to date with the file; false when it cannot be
    // read (the document is then empty).
    bool refresh(bool force) const;
    // Locks the file, brings the document up to date, applies `edit` and,
    // when it reports a change, replaces the file. Without `createsFile` a
    // missing file is left missing.
    bool change(const std::function<bool(IniDocument&)>& edit, bool createsFile);

    std::filesystem::path file_;
    mutable IniDocument document_;
    mutable std::optional<Version> loaded_;
    mutable bool readable_ = true;
};

}  // namespace kel::profile
