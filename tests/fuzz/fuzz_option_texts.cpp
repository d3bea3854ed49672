// The option texts the settings store gives back: "GuideUser" and
// "ColumnWidths" as any text. Whatever is read must stay within its bounds
// and write back to a text that reads the same.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diag/ui/options/options_store.h"
#include "diag/ui/window/pane_settings.h"

using namespace kel::diag;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::array<std::uint8_t, 10> flags{};
    ApplyGuideUserText(text, flags);
    std::array<std::uint8_t, 10> again{};
    ApplyGuideUserText(GuideUserText(flags), again);
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (flags[i] > 1 || again[i] != flags[i]) {
            std::abort();
        }
    }

    const ColumnWidths widths = ParseColumnWidths(text);
    for (int width : widths) {
        if (width < 0 || width > kMaxColumnWidth) {
            std::abort();
        }
    }
    if (ParseColumnWidths(ColumnWidthsText(widths)) != widths) {
        std::abort();
    }
    return 0;
}
