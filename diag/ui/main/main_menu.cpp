#include "diag/ui/main/main_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>

namespace kel::diag {
namespace {

struct MenuItem {
    const char* text;  // null: a separator
    int id;
    bool grayed;
};

struct DropDown {
    const char* title;
    std::vector<MenuItem> items;
};

const std::vector<DropDown>& menuTable() {
    using namespace command;
    static const std::vector<DropDown> table = {
        {"&File",
         {{"Select &CD-ROM\t(Alt-S)", kSelectDrive, false},
          {"&Sector Display", kSectorDisplay, true},
          {nullptr, 0, false},
          {"&Preferences ...", kPreferences, false},
          {nullptr, 0, false},
          {"E&xit\t(Alt-X)", kExit, false}}},
        {"&View",
         {{"Large Icons", kLargeIcons, false},
          {"S&mall Icons", kLargeIcons + 1, false},
          {"&List", kLargeIcons + 2, false},
          {"&Details", kLargeIcons + 3, false},
          {nullptr, 0, false},
          {"Refresh\tF5", kRefresh, true}}},
        {"&Tools",
         {{"&Analysis", kAnalysis, true},
          {"&Table of Contents", kTableOfContents, true},
          {"&Volume", kVolume, true},
          {"&Error Summary", kErrorSummary, true},
          {"&Disc Report", kDiscReport, true},
          {"Write Sub-&Q Data", kWriteSubQ, true},
          {nullptr, 0, false},
          {"&Hardware Information", kHardwareInfo, true}}},
        {"&Pro Tools",
         {{"&Save directory", kSaveDirectory, false},
          {"&Restore directory", kRestoreDirectory, false},
          {nullptr, 0, false},
          {"&Display/Validate CD+G", kCdg, false}}},
        {"&Help",
         {{"&Help Topics", kHelpTopics, false},
          {"Check for &Update", kCheckUpdate, false},
          {nullptr, 0, false},
          {"&About", kAbout, false}}},
    };
    return table;
}

constexpr int kListStyles = 4;

}  // namespace

MainMenu::MainMenu(QMenuBar& bar, const std::function<void(int id)>& command,
                   const std::function<void(int id)>& hovered) {
    auto* listStyles = new QActionGroup(&bar);
    listStyles->setExclusive(true);
    for (const DropDown& dropDown : menuTable()) {
        QMenu* menu = bar.addMenu(QString::fromUtf8(dropDown.title));
        QObject::connect(menu, &QMenu::aboutToShow, menu, [hovered] { hovered(0); });
        for (const MenuItem& entry : dropDown.items) {
            if (entry.text == nullptr) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(entry.text));
            const int id = entry.id;
            action->setObjectName(QString("menu%1").arg(id));
            action->setEnabled(!entry.grayed);
            if (id >= command::kLargeIcons && id < command::kLargeIcons + kListStyles) {
                action->setCheckable(true);
                listStyles->addAction(action);
            }
            QObject::connect(action, &QAction::triggered, action, [command, id] { command(id); });
            QObject::connect(action, &QAction::hovered, action, [hovered, id] { hovered(id); });
            items_[id] = action;
        }
    }
}

QAction* MainMenu::item(int id) const {
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

void MainMenu::EnableMenuItem(int id, bool on) {
    if (QAction* action = item(id)) {
        action->setEnabled(on);
    }
}

void MainMenu::CheckListStyle(int index) {
    if (QAction* action = item(command::kLargeIcons + index)) {
        action->setChecked(true);
    }
}

void InstallAccelerators(QWidget& window, const std::function<void(int id)>& command) {
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::ALT | Qt::Key_S), command::kSelectDrive},
        {QKeySequence(Qt::Key_F5), command::kRefresh},
        {QKeySequence(Qt::ALT | Qt::Key_X), command::kExit},
    };
    for (const auto& [sequence, id] : keys) {
        auto* shortcut = new QShortcut(sequence, &window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &window,
                         [command, id = id] { command(id); });
    }
}

}  // namespace kel::diag
