#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user and program file name. The running copy holds a
// lock file in the user's own folder and listens on a local socket beside
// it; a later start finds the lock taken and asks the running copy through
// the socket to show its window. A copy that crashed leaves its lock file
// behind, which the next start recognises by the process it names and takes
// over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: a folder that only this user can write to; programName: the
    // program file's name without folder and extension.
    SingleInstance(const QString &folder, const QString &programName, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and starts listening; false when another copy runs.
    // Where no lock file can be made at all, this copy runs unguarded
    // rather than not at all, and says so.
    bool Claim();
    // For a copy that could not claim: asks the running one to show its
    // window. False when it did not take the request.
    bool AskRunningCopyToShow();
    // For a copy whose request went unanswered: the lock is stale unless a
    // running copy of this program on this computer holds it. A stale lock
    // that is a regular file of this user is removed and claimed; any other
    // (a link, another user's file) is left alone and this copy runs
    // unguarded, and says so. False only when a running copy holds the lock.
    bool ClaimUnanswered();

    QString LockFileName() const { return lockPath_; }
    QString SocketName() const { return socketPath_; }

signals:
    // Another start asked for this copy's window.
    void ShowRequested();

private:
    // Whether the process the lock names is a running copy of this program.
    bool HeldByRunningCopy();
    // Answers later starts on the local socket.
    void Listen();

    QString lockPath_;
    QString socketPath_;
    QLockFile lock_;
    QLocalServer *server_ = nullptr;
};
