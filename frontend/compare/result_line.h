// One line of the compare results and how it is shown.
#pragma once

#include <string>

namespace kel::compare {

enum class LineStyle {
    Normal,
    BoldRed,  // differences and read errors
};

struct ResultLine {
    std::string text;
    LineStyle style = LineStyle::Normal;

    bool operator==(const ResultLine&) const = default;
};

}  // namespace kel::compare
