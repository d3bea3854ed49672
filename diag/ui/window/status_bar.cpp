#include "diag/ui/window/status_bar.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

#include "diag/device/cd_device.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr int kIconSize = 16;
constexpr int kIconPartWidth = 18;

QLabel* iconPart(QWidget* parent, const char* name, const std::string& tip) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedWidth(kIconPartWidth);
    label->setToolTip(QString::fromStdString(tip));
    return label;
}

void showIcon(QLabel* part, bool on, QStyle::StandardPixmap picture) {
    if (on) {
        part->setPixmap(QApplication::style()->standardIcon(picture).pixmap(kIconSize, kIconSize));
    } else {
        part->clear();
    }
}

}  // namespace

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName("statusBar");
    setSizeGripEnabled(true);
    help_ = new QLabel(this);
    help_->setObjectName("helpText");
    // The help text keeps some room however long the device text is.
    help_->setMinimumWidth(100);
    addWidget(help_, 1);
    tracing_ = iconPart(this, "tracingIcon", LoadResString(1101));
    special_ = iconPart(this, "specialModeIcon", LoadResString(1102));
    addPermanentWidget(tracing_);
    addPermanentWidget(special_);
    device_ = new QLabel(this);
    device_->setObjectName("deviceText");
    device_->hide();
    addPermanentWidget(device_);
}

void MainStatusBar::setStatusText(std::string_view text) {
    if (text.empty()) {
        return;
    }
    help_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

QString MainStatusBar::statusText() const {
    return help_->text();
}

void MainStatusBar::ShowDeviceInStatusBar(const CdDevice* device) {
    QString text = QString::fromStdString(LoadResString(169));
    if (device != nullptr) {
        // A drive letter brings its own colon ("D:"); an adapter and target
        // ("1:0") get one.
        QString address = QString::fromStdString(device->AddressName());
        if (!address.endsWith(':')) {
            address += ':';
        }
        text = QString("Device: %1 %2")
                   .arg(address, QString::fromStdString(device->DeviceDescription()));
    }
    device_->setText(text);
    device_->show();
    tracingShown_ = logSwitches().debugMode;
    showIcon(tracing_, tracingShown_, QStyle::SP_FileDialogDetailedView);
    specialShown_ = Options().ignoreJoliet != 0 || Options().intensiveUdfScan != 0;
    showIcon(special_, specialShown_, QStyle::SP_MessageBoxInformation);
}

QString MainStatusBar::deviceText() const {
    return device_->text();
}

void MainStatusBar::MenuHelpCommand(int commandId) {
    setStatusText(LoadResString(commandId));
}

void MainStatusBar::MenuHelpSelect(int itemId, bool popupOrSystemMenu) {
    if (popupOrSystemMenu) {
        help_->clear();
    } else if (itemId != 0) {
        setStatusText(LoadResString(itemId));
    }
}

}  // namespace kel::diag
