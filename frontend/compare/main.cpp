// kel_comp: compares two discs sector by sector through the drive server.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "frontend/common/icons.h"
#include "frontend/common/kelcd.h"
#include "frontend/common/quit_signals.h"
#include "frontend/compare/tfcompare.h"
#include "wiring/drive_transport.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    kel::wiring::wireDrives();
    QApplication::setApplicationDisplayName(QStringLiteral("CD Compare"));
    try {
        kel::frontend::Tkelcd client;
        kel::frontend::Ticons icons(client);
        kel::compare::TFcompare form(client, icons);
        QObject::connect(&client, &kel::frontend::Tkelcd::ServerNotFound, &form,
                         [&form](const QString& message) {
                             QMessageBox::critical(&form, QApplication::applicationDisplayName(),
                                                   message);
                         });
        kel::frontend::CloseOnQuitSignals(form, [&form] { form.close(); });
        client.Formcreate();
        form.show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
