#include "dialogs/ApplicationTitle.h"

#include <QCoreApplication>
#include <QFileInfo>

QString ApplicationTitle(const QString &programPath)
{
    QString name = QFileInfo(programPath).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString ApplicationTitle()
{
    return ApplicationTitle(QCoreApplication::applicationFilePath());
}

QString NoticeTitle(const QString &programPath)
{
    const QString title = ApplicationTitle(programPath);
    return title.left(1).toUpper() + title.mid(1);
}

QString NoticeTitle()
{
    return NoticeTitle(QCoreApplication::applicationFilePath());
}
