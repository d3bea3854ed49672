// The "Options" page: the option flags as check boxes, "Reset Guides" and the
// hidden tracing switch reached by Alt+D.
#pragma once

#include <QCheckBox>
#include <cstdint>
#include <vector>

#include "diag/ui/options/preferences_page.h"

class QLabel;

namespace kel::diag {

class OptionsPage : public PreferencesPage {
    Q_OBJECT
public:
    OptionsPage(QWidget* parent, OptionsBlock& copy);

    void setActive() override;
    bool killActive() override;
    std::span<const ControlHelp> controlHelp() const override;

    // "Reset Guides" and the tracing switch, as their buttons do.
    void resetGuides();
    void toggleTracing();

private:
    struct FlagBox {
        QCheckBox* box;
        std::uint8_t OptionsBlock::*field;
    };
    void acceptErrorsToggled(bool on);

    std::vector<FlagBox> boxes_;
    QCheckBox* acceptErrors_ = nullptr;
    QLabel* notice_ = nullptr;
};

}  // namespace kel::diag
