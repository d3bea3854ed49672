#include "diag/ui/main/window_placement.h"

#include <QWidget>
#include <charconv>

#include "diag/device/registry_key.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/options_store.h"

namespace kel::diag {
namespace {

constexpr std::string_view kValueName = "SavedWindowPosition";

// Reads "%d" then the literal `after` (empty at the end of the text).
class PlacementReader {
public:
    explicit PlacementReader(std::string_view text) : text_(text) {}

    bool number(int& value, std::string_view after) {
        std::size_t at = 0;
        while (at < text_.size() && text_[at] == ' ') {
            ++at;
        }
        const char* first = text_.data() + at;
        const char* last = text_.data() + text_.size();
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || !std::string_view(end, last).starts_with(after)) {
            return false;
        }
        text_ = std::string_view(end + after.size(), last);
        return true;
    }

private:
    std::string_view text_;
};

}  // namespace

std::string PlacementText(const WindowPlacement& p) {
    const FormatArg args[] = {p.flags, p.showCmd, p.minX, p.minY,  p.maxX,
                              p.maxY,  p.left,    p.top,  p.right, p.bottom};
    return FormatText("%d,%d,(%d,%d),(%d,%d).(%d,%d,%d,%d)", args, 200);
}

std::optional<WindowPlacement> ParsePlacement(std::string_view text) {
    WindowPlacement p;
    PlacementReader reader(text);
    const bool read = reader.number(p.flags, ",") && reader.number(p.showCmd, ",(") &&
                      reader.number(p.minX, ",") && reader.number(p.minY, "),(") &&
                      reader.number(p.maxX, ",") && reader.number(p.maxY, ").(") &&
                      reader.number(p.left, ",") && reader.number(p.top, ",") &&
                      reader.number(p.right, ",") && reader.number(p.bottom, ")");
    if (!read || p.right <= p.left || p.bottom <= p.top) {
        return std::nullopt;
    }
    return p;
}

WindowPlacement PlacementOf(const QWidget& window) {
    WindowPlacement p;
    p.showCmd = window.isMaximized()   ? kShowMaximized
                : window.isMinimized() ? kShowMinimized
                                       : kShowNormal;
    const QRect normal =
        window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    p.left = normal.left();
    p.top = normal.top();
    p.right = normal.left() + normal.width();
    p.bottom = normal.top() + normal.height();
    return p;
}

void SaveWindowPlacement(const QWidget& window) {
    RegistryKey key;
    if (OpenProgramKey(key)) {
        key.WriteString(kValueName, PlacementText(PlacementOf(window)));
    }
}

bool RestoreWindowPlacement(QWidget& window) {
    RegistryKey key;
    OpenProgramKey(key);
    const std::optional<WindowPlacement> p = ParsePlacement(key.ReadString(kValueName, ""));
    if (!p) {
        return false;
    }
    window.setGeometry(p->left, p->top, p->right - p->left, p->bottom - p->top);
    if (p->showCmd == kShowMaximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    } else if (p->showCmd == kShowMinimized) {
        window.setWindowState(window.windowState() | Qt::WindowMinimized);
    }
    return true;
}

}  // namespace kel::diag
