#include "diag/ui/options/select_drive_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "diag/device/device_access.h"
#include "diag/ui/messages.h"
#include "diag/ui/options/device_list.h"

namespace kel::diag {
namespace {

CdDevice* deviceOf(const QListWidgetItem* item) {
    return item == nullptr ? nullptr
                           : static_cast<CdDevice*>(item->data(Qt::UserRole).value<void*>());
}

}  // namespace

SelectDriveDialog::SelectDriveDialog(QWidget* owner) : QDialog(owner) {
    setObjectName("SelectDrive");
    setWindowTitle(tr("Select CD-ROM Drive"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(tr("Available CD-ROM Drives"), this);
    layout->addWidget(caption);
    list_ = new QListWidget(this);
    list_->setObjectName("driveList");
    caption->setBuddy(list_);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName("ok");
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName("cancel");
    // Offered as on the program's other dialogs; the drive choice has no
    // help topic of its own.
    buttons->addButton(QDialogButtonBox::Help)->setObjectName("help");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectDriveDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SelectDriveDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &SelectDriveDialog::accept);

    CdDevice* current = CurrentDevice();
    for (const std::unique_ptr<CdDevice>& device : Devices()) {
        const QString line = QString::fromStdString(device->AddressName()) + "  " +
                             QString::fromStdString(device->DeviceDescription());
        auto* item = new QListWidgetItem(line, list_);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(device.get())));
        if (device.get() == current) {
            list_->setCurrentItem(item);
        }
    }
    // Connected after the current device's line was selected: only the
    // user's choice is checked for readiness.
    connect(list_, &QListWidget::itemSelectionChanged, this, &SelectDriveDialog::selectionChanged);
}

int SelectDriveDialog::exec() {
    if (list_->count() == 0) {
        ShowMessageTo(this, 103);
        return 0;
    }
    return QDialog::exec();
}

void SelectDriveDialog::selectionChanged() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    CdDevice* device = selected.isEmpty() ? nullptr : deviceOf(selected.first());
    if (device != nullptr && !device->TestUnitReady()) {
        ShowMessageTo(this, 108, device->DeviceDescription());
        const QSignalBlocker quiet(list_);
        list_->clearSelection();
        list_->setCurrentItem(nullptr);
    }
}

void SelectDriveDialog::accept() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    CdDevice* device = selected.isEmpty() ? nullptr : deviceOf(selected.first());
    if (device == nullptr) {
        ShowMessageTo(this, 102);
        return;
    }
    ChooseDevice(*device);
    done(1);
}

int RunSelectDrive(QWidget* owner) {
    SelectDriveDialog dialog(owner);
    return dialog.exec();
}

}  // namespace kel::diag
