// The main window's status bar: help and progress texts on the left, the
// tracing and special-mode icons, and the device in use on the right.
#pragma once

#include <QStatusBar>
#include <string_view>

class QLabel;

namespace kel::diag {

class CdDevice;

class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // The text of part 0, also written to the debug log in debug mode; an
    // empty text (a string the table lacks) leaves the part as it is.
    void setStatusText(std::string_view text);
    QString statusText() const;

    // The device text and the two mode icons; after every device change, the
    // preferences and every layout.
    void ShowDeviceInStatusBar(const CdDevice* device);
    QString deviceText() const;
    bool tracingIconShown() const { return tracingShown_; }
    bool specialModeIconShown() const { return specialShown_; }

    // Help for a menu command being carried out, and for a menu item under
    // the cursor: a submenu (or the system menu) clears the text, item 0
    // leaves it.
    void MenuHelpCommand(int commandId);
    void MenuHelpSelect(int itemId, bool popupOrSystemMenu);

private:
    QLabel* help_;
    QLabel* tracing_;
    QLabel* special_;
    QLabel* device_;
    bool tracingShown_ = false;
    bool specialShown_ = false;
};

}  // namespace kel::diag
