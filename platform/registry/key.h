// A key of the registry: the settings store of the diagnostic program and the
// place its event sounds are configured.
//
// A Key names a key by its root and path; it holds no file open. Every
// operation goes to the root's file under its lock (hive_file.h), so two
// processes, or two threads with their own Key objects, may read and write
// the same keys at once without losing an update, and a key deleted by
// someone else makes later operations answer Status::NotFound.
//
// Names are compared without regard to ASCII case and keep the case they
// were created with. Paths separate key names with '\'.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "types.h"

namespace kel::registry {

class Key {
public:
    // Opens the key, creating it and every missing key above it first.
    static Result<Key> create(Root root, std::string_view path);
    // Opens a key only when it exists already.
    static Result<Key> openExisting(Root root, std::string_view path);
    // The same, for a path below this key.
    Result<Key> createSubkey(std::string_view path) const;
    Result<Key> openSubkey(std::string_view path) const;

    Root root() const { return root_; }
    // The path as stored, with the case each key was created with.
    std::string path() const;

    // The value of that name ("" is the key's default value).
    Result<Value> read(std::string_view name) const;
    // The value when it exists and has that type.
    std::optional<std::string> readString(std::string_view name) const;
    std::optional<std::uint32_t> readDword(std::string_view name) const;
    std::optional<std::vector<std::uint8_t>> readBinary(std::string_view name) const;

    // Creates or replaces a value, whatever type it had.
    Status writeString(std::string_view name, std::string_view text) const;
    Status writeDword(std::string_view name, std::uint32_t number) const;
    Status writeBinary(std::string_view name, std::span<const std::uint8_t> bytes) const;

    Status deleteValue(std::string_view name) const;
    // Deletes the subkey at that path below this key with everything under it.
    Status deleteSubkeyTree(std::string_view path) const;

    // Names by index: subkeys in caseless alphabetical order, values in the
    // order they were first written. Past the last one: Status::EndOfList.
    Result<std::string> subkeyNameAt(std::size_t index) const;
    Result<std::string> valueNameAt(std::size_t index) const;

private:
    Key(Root root, std::vector<std::string> names) : root_(root), names_(std::move(names)) {}
    static Result<Key> open(Root root, std::vector<std::string> base, std::string_view path,
                            bool createMissing);
    Status write(std::string_view name, Value value) const;

    Root root_;
    std::vector<std::string> names_;
};

}  // namespace kel::registry
