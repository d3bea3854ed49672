// One page of the preferences sheet. Every page edits the sheet's copy of the
// options block: it fills its controls from the copy when it becomes the
// shown page, and checks and stores them back when it is left (or the sheet
// is confirmed while it is shown); a page that refuses stays shown. Nothing
// leaves the sheet before OK.
#pragma once

#include <QWidget>
#include <span>

#include "diag/state/options.h"
#include "diag/ui/help_contexts.h"
#include "diag/ui/options/control_help.h"

namespace kel::diag {

class PreferencesPage : public QWidget {
public:
    PreferencesPage(QWidget* parent, OptionsBlock& copy) : QWidget(parent), copy_(copy) {}

    virtual void setActive() = 0;
    // False (after telling the user why) keeps the page shown.
    virtual bool killActive() = 0;
    // After OK: what the page keeps outside the options block is written.
    virtual void apply() {}

    // The help topic of the page's Help button, and those of its controls.
    virtual int helpContext() const { return help_context::kPreferences; }
    virtual std::span<const ControlHelp> controlHelp() const = 0;

protected:
    OptionsBlock& copy_;
};

}  // namespace kel::diag
