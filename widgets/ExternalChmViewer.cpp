#include "widgets/ExternalChmViewer.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace {

constexpr const char *kChmType = "application/vnd.ms-htmlhelp";

// The Exec line of a desktop entry, split into words, with the file's field
// code as "%f" and the other field codes dropped.
QStringList desktopCommand(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec="))) {
            QStringList command;
            bool hasFile = false;
            for (QString word : QProcess::splitCommand(line.mid(5))) {
                if (word == QLatin1String("%f") || word == QLatin1String("%F") || word == QLatin1String("%u")
                    || word == QLatin1String("%U")) {
                    command << QStringLiteral("%f");
                    hasFile = true;
                } else if (word.size() == 2 && word.startsWith(u'%')) {
                    continue;
                } else {
                    command << word.replace(QLatin1String("%%"), QLatin1String("%"));
                }
            }
            if (command.isEmpty())
                return {};
            command.first() = QStandardPaths::findExecutable(command.first());
            if (command.first().isEmpty())
                return {};
            if (!hasFile)
                command << QStringLiteral("%f");
            return command;
        }
    }
    return {};
}

// The desktop entry registered as the default for CHM files; empty when
// none is, or when xdg-mime is not there to ask.
QString registeredDesktopEntry()
{
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return {};
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(kChmType)});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    const QString name = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
}

} // namespace

ExternalChmViewer::ExternalChmViewer()
{
    const QString entry = registeredDesktopEntry();
    if (!entry.isEmpty())
        command_ = desktopCommand(entry);
    for (const char *known : {"xchm", "kchmviewer"}) {
        if (!command_.isEmpty())
            break;
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(known));
        if (!program.isEmpty())
            command_ = {program, QStringLiteral("%f")};
    }
}

ExternalChmViewer::~ExternalChmViewer()
{
    CloseAll();
}

void ExternalChmViewer::DisplayTableOfContents(const QString &helpFile)
{
    if (command_.isEmpty())
        return;
    // One viewer window is enough; F1 pressed again while it is open adds none.
    if (running_ && running_->state() != QProcess::NotRunning && runningFile_ == helpFile)
        return;
    CloseAll();
    QStringList arguments = command_.mid(1);
    arguments.replaceInStrings(QStringLiteral("%f"), helpFile);
    running_ = new QProcess();
    runningFile_ = helpFile;
    running_->setProcessChannelMode(QProcess::ForwardedChannels);
    running_->start(command_.first(), arguments);
}

void ExternalChmViewer::CloseAll()
{
    if (!running_)
        return;
    if (running_->state() != QProcess::NotRunning) {
        running_->terminate();
        if (!running_->waitForFinished(1000)) {
            running_->kill();
            running_->waitForFinished(1000);
        }
    }
    delete running_;
    running_ = nullptr;
    runningFile_.clear();
}
