#include "tools/mkdisc/fs/high_sierra_layout.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <utility>

namespace kel::mkdisc::fs {

namespace {

// Eight directory levels, the root being the first.
constexpr std::size_t kMaxDirectoryDepth = 7;
constexpr std::size_t kMaxIdentifier = 31;
constexpr std::size_t kMaxFileNameAndExtension = 30;
constexpr std::size_t kMaxVolumeIdentifier = 32;
constexpr std::uint32_t kDescriptorBlocks = 2;  // the volume descriptor and the terminator

bool isDCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string upper(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool allDCharacters(const std::string& text) {
    return std::all_of(text.begin(), text.end(), isDCharacter);
}

// Name and extension, compared in that order as the format sorts records.
using SortKey = std::pair<std::string, std::string>;

struct Named {
    std::string identifier;
    SortKey key;
};

std::variant<Named, std::string> identify(const SourceEntry& entry) {
    const std::string name = upper(entry.names.back());
    if (entry.directory) {
        if (name.empty() || name.size() > kMaxIdentifier || !allDCharacters(name)) {
            return "directory name \"" + entry.names.back() + "\" is not 1 to 31 of A-Z, 0-9 and _";
        }
        return Named{name, {name, ""}};
    }
    const std::size_t dot = name.find('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if ((stem.empty() && extension.empty()) ||
        stem.size() + extension.size() > kMaxFileNameAndExtension || !allDCharacters(stem) ||
        !allDCharacters(extension)) {
        return "file name \"" + entry.names.back() +
               "\" is not a name and extension of A-Z, 0-9 and _ (30 at most)";
    }
    return Named{stem + "." + extension + ";1", {stem, extension}};
}

// The tree as parsed from the source entries, before path-table order.
struct Node {
    Named named;
    bool directory = true;
    std::size_t entry = 0;
    std::vector<std::size_t> children;  // node indexes
};

std::variant<std::vector<Node>, std::string> buildNodes(const SourceTree& tree) {
    std::vector<Node> nodes(1);
    nodes[0].named.identifier = std::string(1, '\0');
    std::map<std::vector<std::string>, std::size_t> byPath = {{{}, 0}};
    std::map<std::size_t, std::set<std::string>> siblings;
    for (std::size_t i = 0; i < tree.entries.size(); ++i) {
        const SourceEntry& entry = tree.entries[i];
        const std::size_t depth = entry.names.size() - (entry.directory ? 0 : 1);
        if (depth > kMaxDirectoryDepth) {
            return entry.source.string() + " lies deeper than the eight directory levels allowed";
        }
        auto named = identify(entry);
        if (auto* failure = std::get_if<std::string>(&named)) {
            return *failure + " (" + entry.source.string() + ")";
        }
        const std::vector<std::string> parentPath(entry.names.begin(), entry.names.end() - 1);
        const std::size_t parent = byPath.at(parentPath);
        Node node{std::get<Named>(named), entry.directory, i, {}};
        if (!siblings[parent].insert(node.named.identifier).second) {
            return entry.source.string() + " gives the same name, " + node.named.identifier +
                   ", as another entry in its folder";
        }
        nodes[parent].children.push_back(nodes.size());
        if (entry.directory) {
            byPath[entry.names] = nodes.size();
        }
        nodes.push_back(std::move(node));
    }
    for (Node& node : nodes) {
        std::sort(node.children.begin(), node.children.end(), [&](std::size_t a, std::size_t b) {
            return nodes[a].named.key < nodes[b].named.key;
        });
    }
    return nodes;
}

std::uint32_t blocksFor(std::uint64_t bytes) {
    return static_cast<std::uint32_t>((bytes + kHsBlockSize - 1) / kHsBlockSize);
}

// Bytes of a directory's extent: records never straddle a block.
std::uint32_t directoryBytes(const HsDirectory& directory) {
    std::uint32_t blocks = 1;
    std::uint32_t used = 2 * hsRecordLength(std::string(1, '\0'));
    for (const HsRecord& record : directory.records) {
        const std::uint32_t length = hsRecordLength(record.identifier);
        if (used + length > kHsBlockSize) {
            ++blocks;
            used = 0;
        }
        used += length;
    }
    return blocks * kHsBlockSize;
}

}  // namespace

std::uint32_t hsRecordLength(const std::string& identifier) {
    const auto length = static_cast<std::uint32_t>(kHsRecordFixedSize + identifier.size());
    return length + length % 2;
}

std::uint32_t hsPathRecordLength(const std::string& identifier) {
    const auto size = static_cast<std::uint32_t>(identifier.size());
    return kHsPathRecordFixedSize + size + size % 2;
}

std::variant<HsLayout, std::string> layOutHighSierra(const SourceTree& tree) {
    auto built = buildNodes(tree);
    if (auto* failure = std::get_if<std::string>(&built)) {
        return *failure;
    }
    const std::vector<Node>& nodes = std::get<std::vector<Node>>(built);

    // Breadth first, children in sort order: the path table's order (by
    // level, then parent number, then identifier).
    HsLayout layout;
    std::vector<std::size_t> order = {0};
    layout.directories.push_back({nodes[0].named.identifier, 1, {}, 0, 0});
    for (std::size_t d = 0; d < order.size(); ++d) {
        for (const std::size_t child : nodes[order[d]].children) {
            const Node& node = nodes[child];
            HsRecord record{node.named.identifier, node.directory, 0};
            if (node.directory) {
                record.target = layout.directories.size();
                order.push_back(child);
                layout.directories.push_back(
                    {node.named.identifier, static_cast<std::uint16_t>(d + 1), {}, 0, 0});
            } else {
                record.target = layout.files.size();
                layout.files.push_back({node.entry, 0, tree.entries[node.entry].size});
            }
            layout.directories[d].records.push_back(record);
        }
    }
    if (layout.directories.size() > 0xffff) {
        return std::string("more directories than a path table can number");
    }

    for (const HsDirectory& directory : layout.directories) {
        layout.pathTableSize += hsPathRecordLength(directory.identifier);
    }
    std::uint64_t next = kHsDescriptorBlock + kDescriptorBlocks;
    layout.pathTableL = static_cast<std::uint32_t>(next);
    next += blocksFor(layout.pathTableSize);
    layout.pathTableM = static_cast<std::uint32_t>(next);
    next += blocksFor(layout.pathTableSize);
    for (HsDirectory& directory : layout.directories) {
        directory.size = directoryBytes(directory);
        directory.extent = static_cast<std::uint32_t>(next);
        next += directory.size / kHsBlockSize;
    }
    for (HsFile& file : layout.files) {
        // An empty file owns no block; pointing it at its neighbour's would
        // look like two files sharing an extent.
        file.extent = file.size == 0 ? 0 : static_cast<std::uint32_t>(next);
        next += blocksFor(file.size);
    }
    if (next > 0xffffffffULL) {
        return std::string("the volume is too large");
    }
    layout.volumeBlocks = static_cast<std::uint32_t>(next);
    return layout;
}

std::optional<std::string> hsVolumeIdentifier(const std::string& volumeId) {
    const std::string id = upper(volumeId);
    if (id.size() > kMaxVolumeIdentifier || !allDCharacters(id)) {
        return std::nullopt;
    }
    return id;
}

}  // namespace kel::mkdisc::fs
