// The main window's menu bar "MAINMENU" and its accelerators "ACCEL".
#pragma once

#include <QObject>
#include <functional>
#include <map>

class QAction;
class QMenuBar;
class QWidget;

namespace kel::diag {

// The menu's items by command; each is built once.
class MainMenu {
public:
    // Fills `bar`; every item gives its command to `command`, and an item
    // under the cursor (0 for a drop-down being opened) to `hovered`.
    MainMenu(QMenuBar& bar, const std::function<void(int id)>& command,
             const std::function<void(int id)>& hovered);

    QAction* item(int id) const;
    void EnableMenuItem(int id, bool on);
    // Checks one of the four list styles (View menu order) and clears the
    // others.
    void CheckListStyle(int index);

private:
    std::map<int, QAction*> items_;
};

// Alt+S, F5 and Alt+X on `window`, each giving its command.
void InstallAccelerators(QWidget& window, const std::function<void(int id)>& command);

// The commands of the menus, toolbar and context menus.
namespace command {
inline constexpr int kSelectDrive = 51685;
inline constexpr int kSectorDisplay = 40017;
inline constexpr int kPreferences = 40009;
inline constexpr int kExit = 51682;
inline constexpr int kLargeIcons = 40001;  // to 40004: the four list styles
inline constexpr int kRefresh = 40015;
inline constexpr int kAnalysis = 40005;
inline constexpr int kTableOfContents = 9070;
inline constexpr int kVolume = 51687;
inline constexpr int kErrorSummary = 40012;
inline constexpr int kDiscReport = 40032;
inline constexpr int kWriteSubQ = 40033;
inline constexpr int kHardwareInfo = 40037;
inline constexpr int kSaveDirectory = 40042;
inline constexpr int kRestoreDirectory = 40043;
inline constexpr int kCdg = 40041;
inline constexpr int kHelpTopics = 901;
inline constexpr int kCheckUpdate = 40016;
inline constexpr int kAbout = 51683;
inline constexpr int kCopyFile = 40010;
inline constexpr int kCopyDirectory = 99;
inline constexpr int kCopyTrackImage = 40036;
// Toolbar buttons that repeat a menu command under an id of their own.
inline constexpr int kToolSelectDrive = 40018;
inline constexpr int kToolRefresh = 40019;
inline constexpr int kToolAnalysis = 40020;
inline constexpr int kToolTableOfContents = 40021;
inline constexpr int kToolVolume = 40022;
inline constexpr int kToolErrorSummary = 40023;
inline constexpr int kToolLargeIcons = 40024;  // to 40027
inline constexpr int kToolSectorDisplay = 40028;
inline constexpr int kOpenTray = 40038;
inline constexpr int kCloseTray = 40039;
}  // namespace command

}  // namespace kel::diag
