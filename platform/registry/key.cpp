#include "key.h"

#include "hive.h"
#include "hive_file.h"

namespace kel::registry {

Result<Key> Key::open(Root root, std::vector<std::string> base, std::string_view path,
                      bool createMissing) {
    std::optional<std::vector<std::string>> relative = splitKeyPath(path);
    if (!relative || base.size() + relative->size() > kMaxKeyDepth) {
        return Status::InvalidName;
    }
    base.insert(base.end(), relative->begin(), relative->end());
    std::vector<std::string> stored;
    // Takes the names as the file holds them, so path() shows their case.
    auto collectNames = [&](const KeyNode& tree) {
        const KeyNode* node = &tree;
        stored.clear();
        for (const std::string& name : base) {
            node = node->findSubkey(name);
            if (!node) {
                return Status::NotFound;
            }
            stored.push_back(node->name);
        }
        return Status::Ok;
    };
    Status status = createMissing ? modifyHive(root,
                                               [&](KeyNode& tree) {
                                                   createKey(tree, base);
                                                   return collectNames(tree);
                                               })
                                  : readHive(root, collectNames);
    if (status != Status::Ok) {
        return status;
    }
    return Key(root, std::move(stored));
}

Result<Key> Key::create(Root root, std::string_view path) {
    return open(root, {}, path, true);
}

Result<Key> Key::openExisting(Root root, std::string_view path) {
    return open(root, {}, path, false);
}

Result<Key> Key::createSubkey(std::string_view path) const {
    return open(root_, names_, path, true);
}

Result<Key> Key::openSubkey(std::string_view path) const {
    return open(root_, names_, path, false);
}

std::string Key::path() const {
    std::string joined;
    for (const std::string& name : names_) {
        joined += joined.empty() ? "" : "\\";
        joined += name;
    }
    return joined;
}

Result<Value> Key::read(std::string_view name) const {
    std::optional<Value> found;
    Status status = readHive(root_, [&](const KeyNode& tree) {
        const KeyNode* key = findKey(tree, names_);
        if (!key) {
            return Status::NotFound;
        }
        const NamedValue* value = key->findValue(name);
        if (!value) {
            return Status::NotFound;
        }
        found = value->value;
        return Status::Ok;
    });
    if (status != Status::Ok) {
        return status;
    }
    return std::move(*found);
}

namespace {

template <typename T>
std::optional<T> readAs(Result<Value> value) {
    if (!value || !std::holds_alternative<T>(value.value())) {
        return std::nullopt;
    }
    return std::get<T>(std::move(value).value());
}

}  // namespace

std::optional<std::string> Key::readString(std::string_view name) const {
    return readAs<std::string>(read(name));
}

std::optional<std::uint32_t> Key::readDword(std::string_view name) const {
    return readAs<std::uint32_t>(read(name));
}

std::optional<std::vector<std::uint8_t>> Key::readBinary(std::string_view name) const {
    return readAs<std::vector<std::uint8_t>>(read(name));
}

Status Key::write(std::string_view name, Value value) const {
    if (name.size() > kMaxValueNameBytes) {
        return Status::InvalidName;
    }
    if (valueSize(value) > kMaxValueBytes) {
        return Status::TooLarge;
    }
    return modifyHive(root_, [&](KeyNode& tree) {
        KeyNode* key = findKey(tree, names_);
        if (!key) {
            return Status::NotFound;
        }
        key->setValue(name, std::move(value));
        return Status::Ok;
    });
}

Status Key::writeString(std::string_view name, std::string_view text) const {
    return write(name, std::string(text));
}

Status Key::writeDword(std::string_view name, std::uint32_t number) const {
    return write(name, number);
}

Status Key::writeBinary(std::string_view name, std::span<const std::uint8_t> bytes) const {
    return write(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

Status Key::deleteValue(std::string_view name) const {
    return modifyHive(root_, [&](KeyNode& tree) {
        KeyNode* key = findKey(tree, names_);
        return key && key->eraseValue(name) ? Status::Ok : Status::NotFound;
    });
}

Status Key::deleteSubkeyTree(std::string_view path) const {
    std::optional<std::vector<std::string>> relative = splitKeyPath(path);
    if (!relative || relative->empty()) {
        return Status::InvalidName;
    }
    std::vector<std::string> parent = names_;
    parent.insert(parent.end(), relative->begin(), relative->end() - 1);
    return modifyHive(root_, [&](KeyNode& tree) {
        KeyNode* key = findKey(tree, parent);
        return key && key->eraseSubkey(relative->back()) ? Status::Ok : Status::NotFound;
    });
}

namespace {

// The name of the entry at `index` of one of a key's two lists.
template <typename Entry>
Result<std::string> nameAt(Root root, const std::vector<std::string>& names,
                           std::vector<Entry> KeyNode::*list, std::size_t index) {
    std::string name;
    Status status = readHive(root, [&](const KeyNode& tree) {
        const KeyNode* key = findKey(tree, names);
        if (!key) {
            return Status::NotFound;
        }
        const std::vector<Entry>& entries = key->*list;
        if (index >= entries.size()) {
            return Status::EndOfList;
        }
        name = entries[index].name;
        return Status::Ok;
    });
    return status == Status::Ok ? Result<std::string>(std::move(name)) : status;
}

}  // namespace

Result<std::string> Key::subkeyNameAt(std::size_t index) const {
    return nameAt(root_, names_, &KeyNode::subkeys, index);
}

Result<std::string> Key::valueNameAt(std::size_t index) const {
    return nameAt(root_, names_, &KeyNode::values, index);
}

}  // namespace kel::registry
