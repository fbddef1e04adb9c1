#include "desktop/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSysInfo>

#include <chrono>
#include <thread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

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
    // Not a regular file: the lock's own reading would follow a link, to a
    // fifo even, and wait on it.
    const QFileInfo existing(lockPath_);
    if (existing.isSymLink() || (existing.exists() && !existing.isFile()))
        return false;
    if (!lock_.tryLock(0)) {
        if (lock_.error() == QLockFile::LockFailedError)
            return false;
        qWarning("Cannot make the lock file %s: a second start would not find this one.", qPrintable(lockPath_));
        return true;
    }
    Listen();
    return true;
}

bool SingleInstance::ClaimUnanswered()
{
    const QFileInfo existing(lockPath_);
#ifdef Q_OS_WIN
    const bool ours = true;
#else
    const bool ours = existing.ownerId() == ::geteuid();
#endif
    // Gone meanwhile, with the copy that held it, or a stale one of ours.
    const bool gone = !existing.exists() && !existing.isSymLink();
    if (gone || (!existing.isSymLink() && existing.isFile() && ours)) {
        if (!gone && HeldByRunningCopy())
            return false;
        QFile::remove(lockPath_);
        if (lock_.tryLock(0)) {
            Listen();
            return true;
        }
    }
    qWarning("The lock file %s is held by no running copy and cannot be replaced; this copy runs unguarded.",
             qPrintable(lockPath_));
    // The socket did not answer either: later starts find this copy there.
    Listen();
    return true;
}

bool SingleInstance::HeldByRunningCopy()
{
    qint64 pid = 0;
    QString host;
    if (!lock_.getLockInfo(&pid, &host, nullptr) || pid <= 0 || host != QSysInfo::machineHostName())
        return false;
#ifdef Q_OS_WIN
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
#else
    // The process may be gone, its number taken by another program since;
    // a program file replaced while it runs reads "… (deleted)".
    const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    const QString ownName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return !program.isEmpty() && QFileInfo(program).fileName().section(QStringLiteral(" (deleted)"), 0, 0) == ownName;
#endif
}

void SingleInstance::Listen()
{
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
