#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

// The program itself, on the offscreen platform with simulated ports, in
// folders of its own: its settings, its journal and its lock. PONTRA_PROGRAM
// names the program file.
class Program {
public:
    Program()
    {
        QDir root(folder.path());
        root.mkpath("run");
        QFile::setPermissions(root.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        root.mkpath("bin");
        // A stand-in viewer, so that no warning box waits at start.
        QFile viewer(root.filePath("bin/xchm"));
        viewer.open(QIODevice::WriteOnly);
        viewer.write("#!/bin/sh\n");
        viewer.close();
        viewer.setPermissions(viewer.permissions() | QFile::ExeOwner);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", root.filePath("run"));
        environment.insert("XDG_CONFIG_HOME", root.filePath("config"));
        environment.insert("XDG_DATA_HOME", root.filePath("data"));
        environment.insert("PONTRA_SIMULATE", "1");
        environment.insert("PATH", root.filePath("bin") + ":" + environment.value("PATH"));
        // In a ThreadSanitizer build, as for the test programs: Qt's own
        // threads are not instrumented and would look racy; the help viewer
        // check starts a process while they run.
        environment.insert("TSAN_OPTIONS",
                           environment.value("TSAN_OPTIONS") + " ignore_noninstrumented_modules=1 die_after_fork=0");
    }

    std::unique_ptr<QProcess> Start(const QStringList &arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(PONTRA_PROGRAM, arguments);
        process->waitForStarted();
        return process;
    }

    // Whether this copy holds the lock.
    bool Holds(const QProcess &process) const
    {
        qint64 pid = 0;
        QLockFile lock(Path("run/pontra.lock"));
        return lock.getLockInfo(&pid, nullptr, nullptr) && pid == process.processId()
               && QFile::exists(Path("run/pontra.socket"));
    }

    QString SettingsFile() const { return Path("config/Vendaro/pontra.ini"); }
    QString JournalFile() const { return Path("data/Vendaro/pontra/journal.sqlite3"); }

    QString Settings() const
    {
        QFile file(SettingsFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString Path(const QString &relative) const { return QDir(folder.path()).filePath(relative); }

    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// What a run of the program from the command line left.
struct Finished {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The command as a shell would start it, without any display.
inline Finished Command(const Program &program, const QStringList &arguments)
{
    QProcessEnvironment environment = program.environment;
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(PONTRA_PROGRAM, arguments);
    // A PDF loads the chart's module and its fonts first: slow on a busy machine.
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

inline void WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
