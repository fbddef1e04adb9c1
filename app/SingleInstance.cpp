#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <chrono>
#include <thread>

namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kTaken = "ok\n";

} // namespace

SingleInstance::SingleInstance(const QString &folder, const QString &programName, QObject *parent)
    : QObject(parent), lockPath_(QDir(folder).filePath(programName + QStringLiteral(".lock"))),
      socketPath_(QDir(folder).filePath(programName + QStringLiteral(".socket"))), lock_(lockPath_)
{
    // Held for the whole run: only a lock whose process is gone is stale,
    // never one that is merely old.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

bool SingleInstance::Claim()
{
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError)
            return false;
        qWarning("Cannot make the lock file %s: a second start would not find this one.", qPrintable(lockPath_));
        return true;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a copy that crashed; the lock says none runs now.
    QLocalServer::removeServer(socketPath_);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                if (client->readLine() == kShowRequest) {
                    client->write(kTaken);
                    client->flush();
                    emit ShowRequested();
                }
                client->disconnectFromServer();
            });
        }
    });
    // Without the socket this copy still runs alone; later starts then end
    // without bringing it forward.
    server_->listen(socketPath_);
    return true;
}

bool SingleInstance::AskRunningCopyToShow()
{
    // The running copy may have taken its lock a moment ago and not be
    // listening yet: a few tries, about two seconds in all.
    constexpr int kTries = 20;
    QLocalSocket socket;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(2000))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(2000))
            return false;
    }
    return socket.readLine() == kTaken;
}
