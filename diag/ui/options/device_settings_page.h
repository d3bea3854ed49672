// The "Device Settings" page: for the first four drives, the read-error
// recovery method the error scan sets, chosen among those the drive accepts,
// kept in the drive model's profile; and "&Reset" of the statistics.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "diag/ui/options/preferences_page.h"

class QComboBox;
class QLabel;

namespace kel::diag {

class DeviceSettingsPage : public PreferencesPage {
    Q_OBJECT
public:
    DeviceSettingsPage(QWidget* parent, OptionsBlock& copy);

    void setActive() override;
    bool killActive() override;
    int helpContext() const override { return help_context::kDeviceSettings; }
    std::span<const ControlHelp> controlHelp() const override;
    // The changed methods go into their drives' profiles and the device
    // database.
    void apply() override;

    static constexpr int kRows = 4;

private:
    struct Row {
        QLabel* name;
        QComboBox* methods;
        // The method chosen when the page was last left, if it differs from
        // the drive's.
        std::optional<std::uint8_t> chosen;
    };
    std::array<Row, kRows> rows_{};
};

}  // namespace kel::diag
