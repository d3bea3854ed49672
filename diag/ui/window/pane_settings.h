// What the panes keep in the settings key: the tree's width, the list's style
// and the widths of the list's columns in details style.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kel::diag {

// The list's styles, as stored in "ListStyle".
enum class ListStyle { LargeIcons = 0, Details = 1, SmallIcons = 2, List = 3 };
inline constexpr int kListStyles = 4;

// The View menu's order (large icons, small icons, list, details) to the
// stored style and back; an unknown stored style is details.
ListStyle ListStyleOfIndex(int index);
int IndexOfListStyle(ListStyle style);
ListStyle ListStyleOfValue(std::uint32_t stored);

using ColumnWidths = std::array<int, 5>;
inline constexpr ColumnWidths kDefaultColumnWidths = {150, 55, 80, 115, 90};

// "%d,%d,%d,%d,%d": the numbers that read, in order; the rest keep their
// defaults. A width outside 0..kMaxColumnWidth is taken as its default.
ColumnWidths ParseColumnWidths(std::string_view text);
std::string ColumnWidthsText(const ColumnWidths& widths);
inline constexpr int kMaxColumnWidth = 10000;

inline constexpr int kDefaultTreeWidth = 150;

struct PaneSettings {
    int treeWidth = kDefaultTreeWidth;
    ListStyle listStyle = ListStyle::Details;
    ColumnWidths columnWidths = kDefaultColumnWidths;
};
PaneSettings ReadPaneSettings();
void WriteTreeWidth(int width);
void WriteListSettings(ListStyle style, const ColumnWidths& widths);

}  // namespace kel::diag
