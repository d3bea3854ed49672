// kel: the main module. One instance per user; the forms are made first and
// the drive server is started last, so that its handshake finds them ready.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <cstdlib>
#include <exception>

#include "frontend/common/icons.h"
#include "frontend/common/kelcd.h"
#include "frontend/common/launchers.h"
#include "frontend/common/quit_signals.h"
#include "frontend/main/client_wiring.h"
#include "frontend/main/file_dlg.h"
#include "frontend/main/main_dialog.h"
#include "frontend/main/player_form.h"
#include "frontend/main/screenshot_mode.h"
#include "frontend/main/single_instance.h"
#include "frontend/main/splash_form.h"
#include "frontend/main/tools_form.h"
#include "platform/base/paths.h"
#include "wiring/drive_transport.h"

using namespace kel::frontend;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kel::wiring::wireDrives();

    SingleInstance instance(QString::fromStdString(kel::paths::runtimeDir().string()),
                            QStringLiteral("TCDTolvarMainDialogBox"));
    if (!instance.Claim()) {
        if (!instance.FailureText().isEmpty()) {
            QMessageBox::critical(nullptr, QStringLiteral("Kelvane"), instance.FailureText());
            return 1;
        }
        QMessageBox::information(nullptr, QStringLiteral("Kelvane"),
                                 QStringLiteral("Brenmoor is already running..."));
        return 0;
    }

    // Freed by the dialog once the first scan is done.
    QPointer<TSplashForm> splash = new TSplashForm;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    QApplication::setApplicationName(QStringLiteral("Kelvane for Windows 95"));

    try {
        Tkelcd client;
        const Launchers launchers = Launchers::system();
        TCDPlayerForm player(client);
        TFileDlg fileDlg(kel::drives::drives());
        Ticons icons(client);
        TFtools tools(launchers);
        TCDTolvarMainDialogBox dialog(MainDialogParts{client, icons, player, fileDlg, tools,
                                                      kel::drives::drives(), launchers});
        dialog.SetSplash(splash);
        ConnectMainDialog(dialog, client, &instance);
        if (const char* folder = std::getenv("KEL_SCREENSHOT_DIR"); folder && *folder) {
            ArrangeScreenshots(dialog, QString::fromLocal8Bit(folder));
        }
        CloseOnQuitSignals(dialog, [&dialog] { dialog.close(); });
        dialog.show();
        client.Formcreate();
        return QApplication::exec();
    } catch (const std::exception& error) {
        delete splash.data();
        QMessageBox::critical(nullptr, QStringLiteral("Kelvane"), QString::fromUtf8(error.what()));
        return 1;
    }
}
