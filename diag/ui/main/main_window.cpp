#include "diag/ui/main/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <initializer_list>
#include <utility>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/ui/help_file.h"
#include "diag/ui/main/window_placement.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

// A context menu of (string id, command) items, each giving its command.
QMenu* contextMenu(QWidget* owner, std::initializer_list<std::pair<int, int>> items,
                   const std::function<void(int)>& give) {
    auto* menu = new QMenu(owner);
    for (const auto& [text, id] : items) {
        QAction* action = menu->addAction(QString::fromStdString(LoadResString(text)));
        action->setObjectName(QString("menu%1").arg(id));
        QObject::connect(action, &QAction::triggered, menu, [give, id = id] { give(id); });
    }
    return menu;
}

}  // namespace

void SetBusyCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

MainWindow::MainWindow() {
    setObjectName("MORVALE");
    setWindowTitle(kWindowTitle);
    // Without a saved placement the window opens large enough to show the
    // toolbar, both panes and the status bar.
    resize(kDefaultSize);
    const auto give = [this](int id) { command(id); };
    statusBar_ = new MainStatusBar(this);
    setStatusBar(statusBar_);
    menu_ = std::make_unique<MainMenu>(*menuBar(), give,
                                       [this](int id) { statusBar_->MenuHelpSelect(id, id == 0); });
    InstallAccelerators(*this, give);

    toolbar_ = new MainToolbar(this);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    connect(toolbar_, &MainToolbar::commandTriggered, this, give);
    followMenuItems();
    // The tray needs a drive.
    toolbar_->EnableToolbarButton(command::kOpenTray, false);
    toolbar_->EnableToolbarButton(command::kCloseTray, false);

    panes_ = new Panes(this);
    setCentralWidget(panes_);
    panes_->setFileMenu(contextMenu(this, {{10000, command::kCopyFile}}, give));
    panes_->setDirectoryMenu(contextMenu(
        this, {{11000, command::kCopyDirectory}, {11001, command::kCopyTrackImage}}, give));
    connect(panes_, &Panes::laidOut, this,
            [this] { statusBar_->ShowDeviceInStatusBar(CurrentDevice()); });
    connect(panes_, &Panes::listStyleChanged, this, [this](int index) {
        menu_->CheckListStyle(index);
        toolbar_->CheckToolbarButton(MainToolbar::kFirstListStyleButton + index, true);
    });
    const int style = IndexOfListStyle(panes_->list()->listStyle());
    menu_->CheckListStyle(style);
    toolbar_->CheckToolbarButton(MainToolbar::kFirstListStyleButton + style, true);
    statusBar_->ShowDeviceInStatusBar(CurrentDevice());
    SetHeldCloseHandler([this] { DestroyMainWindow(); });
}

MainWindow::~MainWindow() {
    SetHeldCloseHandler({});
}

// A button that repeats a menu command is usable exactly when its menu item
// is, whoever enables or disables the item.
void MainWindow::followMenuItems() {
    using namespace command;
    for (const auto& [item, button] :
         {std::pair{kSectorDisplay, kToolSectorDisplay}, std::pair{kRefresh, kToolRefresh},
          std::pair{kAnalysis, kToolAnalysis}, std::pair{kTableOfContents, kToolTableOfContents},
          std::pair{kVolume, kToolVolume}, std::pair{kErrorSummary, kToolErrorSummary}}) {
        QAction* action = menu_->item(item);
        const int id = button;
        toolbar_->EnableToolbarButton(id, action->isEnabled());
        connect(action, &QAction::enabledChanged, toolbar_,
                [this, id](bool on) { toolbar_->EnableToolbarButton(id, on); });
    }
}

void MainWindow::command(int id) {
    statusBar_->MenuHelpCommand(id);
    OnMainCommand(id);
}

int MainWindow::OnMainCommand(int id) {
    if (BusyFlag()) {
        QApplication::beep();
        return 1;
    }
    runCommand(id);
    if (CloseRequested() && !destroyed_) {
        DestroyMainWindow();
    }
    return 1;
}

void MainWindow::EnableDeviceCommands() {
    // The sector display needs nothing else than a drive either; without
    // this its menu item would never become usable.
    for (int id : {command::kRefresh, command::kHardwareInfo, command::kAnalysis,
                   command::kTableOfContents, command::kVolume, command::kErrorSummary,
                   command::kDiscReport, command::kWriteSubQ, command::kSectorDisplay}) {
        menu_->EnableMenuItem(id, true);
    }
    const CdDevice* device = CurrentDevice();
    toolbar_->EnableToolbarButton(command::kOpenTray, true);
    toolbar_->EnableToolbarButton(command::kCloseTray, device != nullptr && device->LoadDisc());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (Options().savePosition != 0) {
        SaveWindowPlacement(*this);
    }
    if (BusyFlag()) {
        CloseRequested() = true;
        event->ignore();
        return;
    }
    event->accept();
    DestroyMainWindow();
}

void MainWindow::DestroyMainWindow() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    CloseProgramHelp();
    hide();
    delete panes_.data();
    emit windowEnded();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace && panes_) {
        panes_->OnMainKeyDown(event->key());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace kel::diag
