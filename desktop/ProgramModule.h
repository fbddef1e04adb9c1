#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>

// A part of the program in a file of its own (the day chart, the live feed's
// server, the door link's broker client), loaded the first time it is needed,
// so that a program without it maps none of its libraries. It is looked for
// beside the program (the build folder, the Windows install folder), then in
// the package's private library folder.
class ProgramModule {
public:
    // name: the file without its suffix ("pontra-chart"); feature: what the
    // operator knows it as, as the subject of a German sentence ("Der
    // Tagesverlauf"); folders: where to look, the program's own by default.
    ProgramModule(QString name, QString feature, QStringList folders = {});

    // The folders the program looks in: its own and the private library folder.
    static QStringList ProgramFolders();
    // The file's name on this platform ("pontra-chart.so", "pontra-chart.dll").
    QString FileName() const;

    // The function exported as symbol, the file loaded on first call. Null
    // when the file cannot be loaded or lacks it; problem then holds the
    // German notice the first time only (it is said once), else stays empty.
    QFunctionPointer Function(const char *symbol, QString &problem);

private:
    QString name_;
    QString feature_;
    QStringList folders_;
    QLibrary library_;
    bool failed_ = false;
};
