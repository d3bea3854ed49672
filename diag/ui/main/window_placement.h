// The main window's place on the screen, kept in the settings value
// "SavedWindowPosition" as "%d,%d,(%d,%d),(%d,%d).(%d,%d,%d,%d)": flags,
// show state, minimised position, maximised position and the normal
// rectangle (left, top, right, bottom).
#pragma once

#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace kel::diag {

struct WindowPlacement {
    int flags = 0;
    int showCmd = 1;
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// Show states as the value keeps them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

std::string PlacementText(const WindowPlacement& placement);
// All ten numbers with the separators between them, or nothing. A normal
// rectangle without width or height is refused too: it would make the
// window vanish.
std::optional<WindowPlacement> ParsePlacement(std::string_view text);

WindowPlacement PlacementOf(const QWidget& window);

void SaveWindowPlacement(const QWidget& window);
// Applies the stored placement when it reads, the show state included.
// True when a placement was applied.
bool RestoreWindowPlacement(QWidget& window);

}  // namespace kel::diag
