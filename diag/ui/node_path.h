// The path text of a directory-tree node below its track's root: "\" before
// each name, from the topmost directory under the root down to the node.
#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

namespace kel::diag {

// A tree node that knows its parent (null at the root) and its name.
template <typename Node>
concept PathNode = requires(const Node& node) {
    { node.parent } -> std::convertible_to<const Node*>;
    {std::string_view(node.name)};
};

// The root contributes nothing; a root itself gives "".
template <PathNode Node>
std::string NodePathText(const Node& node) {
    std::vector<std::string_view> names;
    for (const Node* at = &node; at->parent != nullptr; at = at->parent) {
        names.push_back(std::string_view(at->name));
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        path += '\\';
        path += *name;
    }
    return path;
}

}  // namespace kel::diag
