// One kel per user: the first start holds a lock file and listens on a local
// socket; a later start finds the lock, asks the first to come to the front
// through the socket, and gives way.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace kel::frontend {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `folder` holds the lock file and the socket, named after `name`.
    SingleInstance(const QString& folder, const QString& name, QObject* parent = nullptr);

    // True when this process is the one to run. Otherwise either another copy
    // holds the claim and has been asked to come to the front (when it could
    // be reached), or the claim could not be made at all: FailureText() then
    // names the folder and the error.
    bool Claim();
    // Empty unless the last Claim() failed for a reason other than another copy.
    const QString& FailureText() const { return failure_; }

signals:
    // A later start asked this one to come to the front.
    void ActivationRequested();

private:
    QString folder_;
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
    QString failure_;
};

}  // namespace kel::frontend
