// Which of the tools window's buttons a disc class allows.
#pragma once

namespace kel::frontend {

struct ToolButtons {
    bool TestDisc = false;
    bool TableOfContents = false;
    bool CompareDiscs = false;
    bool DiscTools = false;

    bool operator==(const ToolButtons&) const = default;
};

// `discClass` is 0-8 from the classification, or anything else for a drive
// that did not answer.
ToolButtons ToolButtonsFor(int discClass);

}  // namespace kel::frontend
