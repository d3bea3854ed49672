#include "diag/ui/window/pane_settings.h"

#include <charconv>

#include "diag/device/registry_key.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

constexpr ListStyle kStyleOfIndex[kListStyles] = {ListStyle::LargeIcons, ListStyle::SmallIcons,
                                                  ListStyle::List, ListStyle::Details};

// A tree wider than any screen would hide the list for good.
constexpr int kMaxTreeWidth = 10000;

}  // namespace

ListStyle ListStyleOfIndex(int index) {
    return index >= 0 && index < kListStyles ? kStyleOfIndex[index] : ListStyle::Details;
}

int IndexOfListStyle(ListStyle style) {
    for (int index = 0; index < kListStyles; ++index) {
        if (kStyleOfIndex[index] == style) {
            return index;
        }
    }
    return IndexOfListStyle(ListStyle::Details);
}

ListStyle ListStyleOfValue(std::uint32_t stored) {
    return stored < kListStyles ? static_cast<ListStyle>(stored) : ListStyle::Details;
}

ColumnWidths ParseColumnWidths(std::string_view text) {
    ColumnWidths widths = kDefaultColumnWidths;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < widths.size(); ++i) {
        int value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc()) {
            break;
        }
        if (value >= 0 && value <= kMaxColumnWidth) {
            widths[i] = value;
        }
        if (next == end || *next != ',') {
            break;
        }
        at = next + 1;
    }
    return widths;
}

std::string ColumnWidthsText(const ColumnWidths& widths) {
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        text += (i > 0 ? "," : "") + std::to_string(widths[i]);
    }
    return text;
}

PaneSettings ReadPaneSettings() {
    RegistryKey key;
    OpenProgramKey(key);
    PaneSettings settings;
    const std::uint32_t width = key.ReadDword("TreeWidth", kDefaultTreeWidth);
    settings.treeWidth = width <= kMaxTreeWidth ? static_cast<int>(width) : kDefaultTreeWidth;
    settings.listStyle = ListStyleOfValue(
        key.ReadDword("ListStyle", static_cast<std::uint32_t>(ListStyle::Details)));
    settings.columnWidths =
        ParseColumnWidths(key.ReadString("ColumnWidths", ColumnWidthsText(kDefaultColumnWidths)));
    return settings;
}

void WriteTreeWidth(int width) {
    RegistryKey key;
    if (OpenProgramKey(key)) {
        key.WriteDword("TreeWidth", static_cast<std::uint32_t>(width));
    }
}

void WriteListSettings(ListStyle style, const ColumnWidths& widths) {
    RegistryKey key;
    if (OpenProgramKey(key)) {
        key.WriteString("ColumnWidths", ColumnWidthsText(widths));
        key.WriteDword("ListStyle", static_cast<std::uint32_t>(style));
    }
}

}  // namespace kel::diag
