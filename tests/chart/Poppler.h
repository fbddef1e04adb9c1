#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Poppler's command line tools (Debian's poppler-utils), which read a PDF
// back as another program would.

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

inline ToolRun RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput()};
}

// The PDF's text, laid out as on its pages.
inline QString PdfText(const QString &pdf)
{
    return QString::fromUtf8(
        RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}).out);
}
