#include "desktop/ProgramModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <iostream>

ProgramModule::ProgramModule(QString name, QString feature, QStringList folders)
    : name_(std::move(name)), feature_(std::move(feature)),
      folders_(folders.isEmpty() ? ProgramFolders() : std::move(folders))
{
}

QStringList ProgramModule::ProgramFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    QStringList folders{program.path()};
    const QString installed = QDir::cleanPath(program.filePath(QStringLiteral(PONTRA_MODULE_FOLDER)));
    if (installed != program.path())
        folders << installed;
    return folders;
}

QString ProgramModule::FileName() const
{
#ifdef Q_OS_WIN
    return name_ + QStringLiteral(".dll");
#else
    return name_ + QStringLiteral(".so");
#endif
}

QFunctionPointer ProgramModule::Function(const char *symbol, QString &problem)
{
    if (failed_)
        return nullptr;
    if (!library_.isLoaded()) {
        QString found;
        for (const QString &folder : folders_) {
            const QFileInfo file(QDir(folder).filePath(FileName()));
            if (file.exists()) {
                found = file.filePath();
                break;
            }
        }
        if (found.isEmpty()) {
            failed_ = true;
            problem = QStringLiteral("%1 ist nicht verfügbar: die Datei „%2“ fehlt (gesucht in %3). Das Programm "
                                     "zählt ohne diesen Teil weiter; eine neue Installation von Pontra bringt sie zurück.")
                          .arg(feature_, FileName(), QDir::toNativeSeparators(folders_.join(QStringLiteral(", "))));
            return nullptr;
        }
        library_.setFileName(found);
        if (!library_.load()) {
            failed_ = true;
            // The loader's own words are English: for the log, not the box.
            std::cerr << library_.errorString().toStdString() << std::endl;
            problem = QStringLiteral("%1 ist nicht verfügbar: die Datei „%2“ lässt sich nicht laden. Das Programm "
                                     "zählt ohne diesen Teil weiter; eine neue Installation von Pontra behebt das.")
                          .arg(feature_, QDir::toNativeSeparators(found));
            return nullptr;
        }
    }
    const QFunctionPointer function = library_.resolve(symbol);
    if (!function) {
        failed_ = true;
        problem = QStringLiteral("%1 ist nicht verfügbar: die Datei „%2“ gehört zu einer anderen Ausgabe von "
                                 "Pontra. Das Programm zählt ohne diesen Teil weiter; eine neue Installation behebt das.")
                      .arg(feature_, QDir::toNativeSeparators(library_.fileName()));
    }
    return function;
}
