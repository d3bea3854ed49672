// The main window's toolbar: device, sector display and refresh; the four
// list styles as one group of check buttons; the disc tools; the tray.
#pragma once

#include <QToolBar>
#include <map>
#include <vector>

class QAction;

namespace kel::diag {

class MainToolbar : public QToolBar {
    Q_OBJECT
public:
    explicit MainToolbar(QWidget* parent = nullptr);

    void EnableToolbarButton(int id, bool on);
    void CheckToolbarButton(int id, bool on);
    // The button of a command, null for an id the toolbar does not have.
    QAction* button(int id) const;

    // The commands of the buttons, in toolbar order; 0 is a separator.
    static const std::vector<int>& Layout();
    static constexpr int kFirstListStyleButton = 40024;

signals:
    void commandTriggered(int id);

private:
    std::map<int, QAction*> buttons_;
};

}  // namespace kel::diag
