#include "hive.h"

#include <algorithm>
#include <utility>

#include "platform/profile/ascii_case.h"

namespace kel::registry {
namespace {

using profile::equalsIgnoringCase;
using profile::foldAscii;

bool lessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(foldAscii(x)) < static_cast<unsigned char>(foldAscii(y));
    });
}

// Subkeys are kept sorted by caseless name, so they are searched by halves.
template <typename Nodes>
auto lowerBound(Nodes& nodes, std::string_view name) {
    return std::lower_bound(
        nodes.begin(), nodes.end(), name,
        [](const KeyNode& n, std::string_view x) { return lessIgnoringCase(n.name, x); });
}

template <typename Node>
Node* walk(Node& root, const std::vector<std::string>& path) {
    Node* node = &root;
    for (const std::string& name : path) {
        node = node->findSubkey(name);
        if (!node) {
            return nullptr;
        }
    }
    return node;
}

}  // namespace

const KeyNode* KeyNode::findSubkey(std::string_view subkey) const {
    auto at = lowerBound(subkeys, subkey);
    return at != subkeys.end() && equalsIgnoringCase(at->name, subkey) ? &*at : nullptr;
}

KeyNode* KeyNode::findSubkey(std::string_view subkey) {
    auto at = lowerBound(subkeys, subkey);
    return at != subkeys.end() && equalsIgnoringCase(at->name, subkey) ? &*at : nullptr;
}

KeyNode& KeyNode::addSubkey(std::string_view subkey) {
    auto at = lowerBound(subkeys, subkey);
    if (at != subkeys.end() && equalsIgnoringCase(at->name, subkey)) {
        return *at;
    }
    return *subkeys.insert(at, KeyNode{std::string(subkey), {}, {}});
}

bool KeyNode::eraseSubkey(std::string_view subkey) {
    auto at = lowerBound(subkeys, subkey);
    if (at == subkeys.end() || !equalsIgnoringCase(at->name, subkey)) {
        return false;
    }
    subkeys.erase(at);
    return true;
}

const NamedValue* KeyNode::findValue(std::string_view valueName) const {
    auto at = std::find_if(values.begin(), values.end(), [&](const NamedValue& v) {
        return equalsIgnoringCase(v.name, valueName);
    });
    return at == values.end() ? nullptr : &*at;
}

void KeyNode::setValue(std::string_view valueName, Value value) {
    if (auto* existing = const_cast<NamedValue*>(std::as_const(*this).findValue(valueName))) {
        existing->value = std::move(value);
    } else {
        values.push_back(NamedValue{std::string(valueName), std::move(value)});
    }
}

bool KeyNode::eraseValue(std::string_view valueName) {
    const NamedValue* found = findValue(valueName);
    if (!found) {
        return false;
    }
    values.erase(values.begin() + (found - values.data()));
    return true;
}

bool isValidKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxKeyNameBytes &&
           name.find('\\') == std::string_view::npos;
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    if (path.empty()) {
        return names;
    }
    while (true) {
        std::size_t cut = path.find('\\');
        std::string_view name = path.substr(0, cut);
        if (!isValidKeyName(name) || names.size() == kMaxKeyDepth) {
            return std::nullopt;
        }
        names.emplace_back(name);
        if (cut == std::string_view::npos) {
            return names;
        }
        path.remove_prefix(cut + 1);
    }
}

const KeyNode* findKey(const KeyNode& root, const std::vector<std::string>& path) {
    return walk(root, path);
}

KeyNode* findKey(KeyNode& root, const std::vector<std::string>& path) {
    return walk(root, path);
}

KeyNode& createKey(KeyNode& root, const std::vector<std::string>& path) {
    KeyNode* node = &root;
    for (const std::string& name : path) {
        node = &node->addSubkey(name);
    }
    return *node;
}

std::size_t valueSize(const Value& value) {
    struct Size {
        std::size_t operator()(const std::string& s) const { return s.size(); }
        std::size_t operator()(std::uint32_t) const { return 4; }
        std::size_t operator()(const std::vector<std::uint8_t>& b) const { return b.size(); }
    };
    return std::visit(Size{}, value);
}

}  // namespace kel::registry
