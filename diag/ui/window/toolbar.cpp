#include "diag/ui/window/toolbar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QStyle>

#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kListStyleButtons = 4;

// Each command its own picture, all from the style's one set.
QStyle::StandardPixmap pictureOf(int id) {
    switch (id) {
        case 40018:
            return QStyle::SP_DriveCDIcon;
        case 40028:
            return QStyle::SP_FileDialogContentsView;
        case 40019:
            return QStyle::SP_BrowserReload;
        case 40024:
            return QStyle::SP_DesktopIcon;
        case 40025:
            return QStyle::SP_FileDialogListView;
        case 40026:
            return QStyle::SP_FileDialogDetailedView;
        case 40027:
            return QStyle::SP_FileDialogInfoView;
        case 40020:
            return QStyle::SP_DialogApplyButton;
        case 40021:
            return QStyle::SP_FileIcon;
        case 40022:
            return QStyle::SP_DriveHDIcon;
        case 40023:
            return QStyle::SP_MessageBoxWarning;
        case 40038:
            return QStyle::SP_ArrowUp;
        case 40039:
            return QStyle::SP_ArrowDown;
        default:
            return QStyle::SP_CustomBase;
    }
}

}  // namespace

const std::vector<int>& MainToolbar::Layout() {
    static const std::vector<int> layout = {40018, 40028, 40019, 0,     40024, 40025, 40026, 40027,
                                            0,     40020, 40021, 40022, 40023, 0,     40038, 40039};
    return layout;
}

MainToolbar::MainToolbar(QWidget* parent) : QToolBar(parent) {
    setObjectName("toolbar");
    setMovable(false);
    setIconSize(QSize(16, 15));
    auto* styles = new QActionGroup(this);
    styles->setExclusive(true);
    for (int id : Layout()) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        // The tooltip is the command's help text from the string table.
        QAction* action = addAction(QApplication::style()->standardIcon(pictureOf(id)),
                                    QString::fromStdString(LoadResString(id)));
        action->setObjectName(QString("button%1").arg(id));
        if (id >= kFirstListStyleButton && id < kFirstListStyleButton + kListStyleButtons) {
            action->setCheckable(true);
            styles->addAction(action);
        }
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        buttons_[id] = action;
    }
}

QAction* MainToolbar::button(int id) const {
    const auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

void MainToolbar::EnableToolbarButton(int id, bool on) {
    if (QAction* action = button(id)) {
        action->setEnabled(on);
    }
}

void MainToolbar::CheckToolbarButton(int id, bool on) {
    if (QAction* action = button(id)) {
        action->setChecked(on);
    }
}

}  // namespace kel::diag
