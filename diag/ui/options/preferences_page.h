// One page of the preferences sheet. Every page edits the sheet's copy of the
// options block: it fills its controls from the copy when it becomes the
// shown page, and checks and stores them back when it is left (or the sheet
// is confirmed while it is shown); a page that refuses stays shown. Nothing
// leaves the sheet before OK.
#pragma once

#include <QWidget>

#include "diag/state/options.h"

namespace kel::diag {

class PreferencesPage : public QWidget {
public:
    PreferencesPage(QWidget* parent, OptionsBlock& copy) : QWidget(parent), copy_(copy) {}

    virtual void setActive() = 0;
    // False (after telling the user why) keeps the page shown.
    virtual bool killActive() = 0;
    // After OK: what the page keeps outside the options block is written.
    virtual void apply() {}

protected:
    OptionsBlock& copy_;
};

}  // namespace kel::diag
