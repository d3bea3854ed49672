#include "frontend/main/single_instance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

namespace kel::frontend {
namespace {

// The first start takes the lock before it listens: a start in between keeps
// knocking this long.
constexpr int kKnockMilliseconds = 3000;
constexpr int kKnockPause = 50;
const QByteArray kRaise("raise\n");

// Why a lock file that nobody holds could not be made: the file system's own
// word when the file cannot even be created, otherwise the lock's.
QString LockFailure(const QString& folder, const QString& lockPath, QLockFile::LockError error) {
    QString reason = error == QLockFile::PermissionError ? QStringLiteral("permission denied")
                                                         : QStringLiteral("it cannot be written");
    QFile probe(lockPath);
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        probe.remove();
    } else if (!probe.exists()) {
        reason = probe.errorString();
    }
    return QStringLiteral("Cannot keep this program's lock file in the folder %1: %2")
        .arg(folder, reason);
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent),
      folder_(folder),
      socketPath_(folder + "/" + name + ".socket"),
      lock_(folder + "/" + name + ".lock") {
    // Only a lock whose process is gone is stale, however old it is.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::Claim() {
    failure_.clear();
    if (lock_.tryLock(0)) {
        QLocalServer::removeServer(socketPath_);
        server_ = std::make_unique<QLocalServer>();
        connect(server_.get(), &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = server_->nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                    if (peer->readAll().contains(kRaise)) {
                        emit ActivationRequested();
                    }
                });
            }
        });
        server_->listen(socketPath_);
        return true;
    }
    if (lock_.error() != QLockFile::LockFailedError) {
        failure_ = LockFailure(folder_, lock_.fileName(), lock_.error());
        return false;
    }
    QDeadlineTimer deadline(kKnockMilliseconds);
    while (!deadline.hasExpired()) {
        QLocalSocket knock;
        knock.connectToServer(socketPath_);
        if (knock.waitForConnected(kKnockPause)) {
            knock.write(kRaise);
            knock.waitForBytesWritten(kKnockMilliseconds);
            knock.disconnectFromServer();
            break;
        }
        QThread::msleep(kKnockPause);
    }
    return false;
}

}  // namespace kel::frontend
