#include "diag/ui/options/device_settings_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "diag/ui/messages.h"
#include "diag/ui/options/device_list.h"
#include "diag/ui/options/recovery_methods.h"

namespace kel::diag {
namespace {

CdDevice* deviceInRow(int row) {
    const auto& devices = Devices();
    return row < static_cast<int>(devices.size()) ? devices[static_cast<std::size_t>(row)].get()
                                                  : nullptr;
}

// Tries every method but the first ("*Auto*", which sets nothing) on the
// drive and drops those it refuses; the drive's own setting is put back.
void dropRefusedMethods(CdDevice& device, QComboBox& methods) {
    device.quiet = 1;
    bool haveOriginal = false;
    std::uint16_t original = 0;
    for (int index = methods.count() - 1; index >= 1; --index) {
        std::uint16_t out = 0;
        const int value = methods.itemData(index).toInt();
        if (!device.SetErrorRecovery((value << 8) | 0xFF, &out)) {
            methods.removeItem(index);
        } else if (!haveOriginal) {
            original = out;
            haveOriginal = true;
        }
    }
    if (haveOriginal) {
        device.SetErrorRecovery(original, nullptr);
    }
    device.quiet = 0;
}

// Every row's name and methods share the row topics.
constexpr ControlHelp kControlHelp[] = {
    {"deviceName0", 114},      {"deviceName1", 114},      {"deviceName2", 114},
    {"deviceName3", 114},      {"recoveryMethods0", 115}, {"recoveryMethods1", 115},
    {"recoveryMethods2", 115}, {"recoveryMethods3", 115}, {"resetStatisticsRequest", 116},
};

}  // namespace

std::span<const ControlHelp> DeviceSettingsPage::controlHelp() const {
    return kControlHelp;
}

DeviceSettingsPage::DeviceSettingsPage(QWidget* parent, OptionsBlock& copy)
    : PreferencesPage(parent, copy) {
    setObjectName("deviceSettingsPage");
    auto* grid = new QGridLayout(this);
    const std::vector<RecoveryMethod> methods = ParseRecoveryMethods(LoadResString(159));
    for (int row = 0; row < kRows; ++row) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        r.name = new QLabel(this);
        r.name->setObjectName(QString("deviceName%1").arg(row));
        r.methods = new QComboBox(this);
        r.methods->setObjectName(QString("recoveryMethods%1").arg(row));
        for (const RecoveryMethod& method : methods) {
            r.methods->addItem(QString::fromStdString(method.name), method.value);
        }
        grid->addWidget(r.name, row, 0);
        grid->addWidget(r.methods, row, 1);
    }
    auto* reset = new QPushButton(tr("&Reset"), this);
    reset->setObjectName("resetStatisticsRequest");
    connect(reset, &QPushButton::clicked, this, [this] { copy_.resetStatisticsRequest = 1; });
    grid->addWidget(reset, kRows, 0, 1, 2, Qt::AlignLeft);
}

void DeviceSettingsPage::setActive() {
    for (int row = 0; row < kRows; ++row) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        CdDevice* device = deviceInRow(row);
        r.name->setEnabled(device != nullptr);
        r.methods->setEnabled(device != nullptr);
        if (device == nullptr) {
            continue;
        }
        r.name->setText(QString::fromStdString(device->DeviceDescription()));
        dropRefusedMethods(*device, *r.methods);
        const int chosen =
            r.methods->findData(static_cast<int>(r.chosen.value_or(device->ErrScan())));
        r.methods->setCurrentIndex(chosen);
    }
}

bool DeviceSettingsPage::killActive() {
    for (int row = 0; row < kRows; ++row) {
        Row& r = rows_[static_cast<std::size_t>(row)];
        const CdDevice* device = deviceInRow(row);
        if (device == nullptr || r.methods->currentIndex() < 0) {
            continue;
        }
        const auto value = static_cast<std::uint8_t>(r.methods->currentData().toInt());
        r.chosen = value != device->ErrScan() ? std::optional(value) : std::nullopt;
    }
    return true;
}

void DeviceSettingsPage::apply() {
    for (int row = 0; row < kRows; ++row) {
        const std::optional<std::uint8_t> value = rows_[static_cast<std::size_t>(row)].chosen;
        CdDevice* device = deviceInRow(row);
        if (device == nullptr || !value) {
            continue;
        }
        if (*value == 0) {
            device->SetDevReg(false);
        }
        device->SetErrScan(*value);
        device->UpdateDatabase();
    }
}

}  // namespace kel::diag
