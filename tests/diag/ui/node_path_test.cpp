#include "diag/ui/node_path.h"

#include <gtest/gtest.h>

#include <string>

namespace kel::diag {
namespace {

struct Node {
    const Node* parent = nullptr;
    std::string name;
};

TEST(NodePathText, NamesFromBelowTheRootDownToTheNode) {
    const Node root{nullptr, "ROOT (Session 1)"};
    const Node folder{&root, "DOCS"};
    const Node sub{&folder, "2001"};
    const Node file{&sub, "README.TXT;1"};
    EXPECT_EQ(NodePathText(file), "\\DOCS\\2001\\README.TXT;1");
    EXPECT_EQ(NodePathText(folder), "\\DOCS");
    EXPECT_EQ(NodePathText(root), "");
}

}  // namespace
}  // namespace kel::diag
