// "User Preferences": the property sheet that edits a copy of the options
// block on three pages and applies it only when confirmed with OK.
#pragma once

#include <QDialog>
#include <vector>

#include "diag/state/options.h"

class QTabWidget;

namespace kel::diag {

class PreferencesPage;

class PreferencesSheet : public QDialog {
    Q_OBJECT
public:
    // `copy` is edited in place; the caller applies it after Accepted.
    PreferencesSheet(QWidget* owner, OptionsBlock& copy);

    // OK: the shown page checks its controls first and may keep the sheet.
    void accept() override;

    QTabWidget* tabs() const { return tabs_; }
    const std::vector<PreferencesPage*>& pages() const { return pages_; }

protected:
    // F1: the pop-up topic of the control with the focus, else the page's help.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pageChanged(int index);
    void help();

    QTabWidget* tabs_;
    std::vector<PreferencesPage*> pages_;
    int shown_ = 0;
};

// Runs the sheet over a copy of the options; after OK applies and saves it
// and returns true, after Cancel changes nothing and returns false.
bool ShowPreferences(QWidget* owner = nullptr);

// What OK does with the edited copy: takes it as the options, writes the
// thresholds, acts on a statistics reset request, hands the quiet-reads and
// debug settings to the current device, saves, repaints the panes.
void ApplyPreferences(const OptionsBlock& edited);

}  // namespace kel::diag
