// One root of the registry in memory: a tree of keys, each with its values.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "types.h"

namespace kel::registry {

// Limits of what one key, value or tree may hold; the file parser refuses
// anything beyond them as well.
inline constexpr std::size_t kMaxKeyNameBytes = 255;
inline constexpr std::size_t kMaxValueNameBytes = 16383;
inline constexpr std::size_t kMaxValueBytes = 1024 * 1024;
inline constexpr std::size_t kMaxKeyDepth = 512;

struct NamedValue {
    std::string name;  // as first written; "" is the key's default value
    Value value;
};

// Names keep the case they were created with and are looked up without
// regard to it. Subkeys are kept sorted by their caseless name, so that
// enumeration by index is the same in every process; values keep the order
// in which they were first written.
struct KeyNode {
    std::string name;
    std::vector<NamedValue> values;
    std::vector<KeyNode> subkeys;

    const KeyNode* findSubkey(std::string_view subkey) const;
    KeyNode* findSubkey(std::string_view subkey);
    // The subkey, created when missing.
    KeyNode& addSubkey(std::string_view subkey);
    bool eraseSubkey(std::string_view subkey);

    const NamedValue* findValue(std::string_view valueName) const;
    // A value that exists keeps its place and the case of its name.
    void setValue(std::string_view valueName, Value value);
    bool eraseValue(std::string_view valueName);
};

// A path of key names separated by '\' ("" is the root itself); nullopt when
// a name is empty or too long or the path too deep.
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);
bool isValidKeyName(std::string_view name);

const KeyNode* findKey(const KeyNode& root, const std::vector<std::string>& path);
KeyNode* findKey(KeyNode& root, const std::vector<std::string>& path);
// The key at `path`, with every missing key on the way created.
KeyNode& createKey(KeyNode& root, const std::vector<std::string>& path);

// Bytes a value occupies, for the size limit.
std::size_t valueSize(const Value& value);

}  // namespace kel::registry
