// Tkelcd: the front end's link to the drive server. It starts the server, finds
// it by the handshake, sends each request as a copy-data record and parses the
// reply into KelCdData. It has a link window but shows nothing.
//
// It serves its window from the Qt event loop of the thread that makes it (it
// brings its own QtLink; the program needs no other). _Send may be called from
// another thread too, as long as that thread keeps its event loop running: the
// reply is handled on this object's thread while the sender waits.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "frontend/common/drive_server_client.h"
#include "frontend/common/link_messages.h"
#include "platform/link/message.h"
#include "platform/link/qt_link.h"
#include "platform/link/window.h"

namespace kel::frontend {

struct TkelcdOptions {
    // Found beside this program: "Kelcd32.Exe" starts KELCD32.
    std::string ServerProgram = "Kelcd32.Exe";
    // The handshake is broadcast at this interval until the server answers...
    std::chrono::milliseconds HandshakeInterval{500};
    // ...and given up after this long.
    std::chrono::milliseconds HandshakeLimit{15000};
};

class Tkelcd : public QObject, public DriveServerClient {
    Q_OBJECT

public:
    // Throws std::runtime_error when the link messages cannot be registered and
    // std::system_error when the link window cannot be made.
    explicit Tkelcd(TkelcdOptions options = {}, QObject* parent = nullptr);
    ~Tkelcd() override;

    // The creation event, called once right after construction: starts the
    // server and the handshake. Throws EWinExecError when the server does not
    // start.
    void Formcreate();
    // Broadcasts the handshake; gives up after the handshake limit.
    void Timer1Timer();
    // Every message of the link window.
    std::int64_t WndProc(const link::Message& message);
    // A copy-data record: takes a reply of the server, ignores anything else.
    std::int64_t FormCopyData(const link::Message& message);

    link::Handle Handle() const { return window_->handle(); }
    // True once the handshake was given up; ServerNotFound said why.
    bool HandshakeFailed() const { return handshakeFailed_; }

signals:
    // The server did not answer the handshake in time; the text names it.
    void ServerNotFound(const QString& message);
    // The server announced that it is closing ("KEL.CD.close").
    void FormClosed();

protected:
    void Senddata() override;

private:
    TkelcdOptions options_;
    const LinkMessageIds& ids_;
    link::QtLink qtLink_;
    std::unique_ptr<link::Window> window_;
    QTimer Timer1;
    QElapsedTimer handshakeClock_;
    bool handshakeFailed_ = false;
};

}  // namespace kel::frontend
