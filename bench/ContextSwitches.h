#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <map>

// The context switches (voluntary and not) of each thread of a process so
// far, by "thread name/thread id"; process is a /proc entry: "self" or a pid.
inline std::map<QString, long> ContextSwitches(const QString &process)
{
    std::map<QString, long> switches;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(process));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromUtf8(comm.readAll()).trimmed() + QLatin1Char('/') + tid;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches") || line.startsWith("nonvoluntary_ctxt_switches"))
                switches[name] += line.split(':').last().trimmed().toLong();
        }
    }
    return switches;
}
