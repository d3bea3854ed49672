// The program's one top-level window "Quillon": menu, accelerators, toolbar,
// the two panes and the status bar, and the commands they give. A close
// while an operation runs is held: the window ends after the next command
// carried out once the operation is over (or at the next close).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <memory>

#include "diag/ui/main/main_menu.h"
#include "diag/ui/window/panes.h"
#include "diag/ui/window/status_bar.h"
#include "diag/ui/window/toolbar.h"

namespace kel::diag {

inline constexpr const char* kWindowTitle = "Quillon";

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    static constexpr QSize kDefaultSize{760, 520};

    // Carries out one command of the menu, an accelerator, the toolbar or a
    // context menu; while an operation runs it only beeps. Always 1.
    int OnMainCommand(int id);

    // After a device has been chosen: the commands that need one.
    void EnableDeviceCommands();

    // Ends the window for good: the panes go (saving their settings) and
    // windowEnded tells the program, whose message loop then ends.
    void DestroyMainWindow();
    bool windowDestroyed() const { return destroyed_; }

    MainMenu& menu() { return *menu_; }
    MainStatusBar* mainStatusBar() const { return statusBar_; }
    MainToolbar* toolbar() const { return toolbar_; }
    Panes* panes() const { return panes_; }

signals:
    void windowEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followMenuItems();
    void command(int id);
    void runCommand(int id);
    void selectDrive();
    void refresh();
    void sectorDisplay();
    void preferences();
    void analysis();
    void tableOfContents();
    void volume();
    void errorSummary();
    void writeSubQ();
    void hardwareInfo();
    void tray(bool open);
    void cdg();
    void checkForUpdate();
    void about();
    // The current device, or null after message 102.
    CdDevice* deviceOrMessage();
    // The track of the node selected in the tree pane, or null.
    TrackInfo* selectedTrack() const;

    std::unique_ptr<MainMenu> menu_;
    QPointer<Panes> panes_;
    MainStatusBar* statusBar_;
    MainToolbar* toolbar_;
    bool destroyed_ = false;
};

// The hourglass over the whole program during start-up and long
// operations, and back to the arrow.
void SetBusyCursor(bool on);

}  // namespace kel::diag
