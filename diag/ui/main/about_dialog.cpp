#include "diag/ui/main/about_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "diag/device/device_access.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/main/program_version.h"
#include "diag/ui/main/shell_address.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

std::chrono::milliseconds& splashDuration() {
    static std::chrono::milliseconds duration{5000};
    return duration;
}

std::string currentInterfaceName() {
    const CdDevice* device = CurrentDevice();
    return device != nullptr ? device->InterfaceName() : std::string("???");
}

}  // namespace

void AboutDialog::setSplashDuration(std::chrono::milliseconds duration) {
    splashDuration() = duration;
}

std::string AboutVersionText(std::string_view interfaceName) {
    const std::string version = GetVersionText();
    const FormatArg args[] = {version, __DATE__, __TIME__, interfaceName};
    return FormatText(LoadResString(122), args, kMaxMessageText);
}

AboutDialog::AboutDialog(QWidget* owner, bool splash) : QDialog(owner) {
    setObjectName(splash ? "splash" : "about");
    setWindowTitle(QStringLiteral("About Quillon"));

    auto* picture = new QLabel(this);
    picture->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon).pixmap(48, 48));
    auto* product = new QLabel(QStringLiteral("Quillon disc and drive diagnostics"), this);
    const std::string interfaceName = currentInterfaceName();
    auto* version = new QLabel(QString::fromStdString(AboutVersionText(interfaceName)), this);
    version->setObjectName("versionText");

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* mail = new QPushButton(QStringLiteral("E-Mail Tech Support"), this);
    mail->setObjectName("mailButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(mail, &QPushButton::clicked, this, &AboutDialog::mailSupport);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(mail);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    if (!splash) {
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    adjustSize();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    if (logSwitches().debugMode) {
        DebugLog("MORVALE version: %s, %s", GetVersionText(), interfaceName);
    }
    QTimer::singleShot(splashDuration(), this, &QDialog::close);
}

QString AboutDialog::versionText() const {
    const auto* label = findChild<QLabel*>("versionText");
    return label != nullptr ? label->text() : QString();
}

void AboutDialog::mailSupport() {
    const std::string address = LoadResString(9072);
    OpenShellAddress("mailto:" + address, address);
}

}  // namespace kel::diag
