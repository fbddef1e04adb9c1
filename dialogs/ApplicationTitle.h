#pragma once

#include <QString>

// The program's title as the dialogs show it: the executable's file name
// without folder, cut at the first dot, every letter after the first in
// lower case ("/opt/COUNTER.v2.exe" -> "COUNTER" -> "Counter").
QString ApplicationTitle(const QString &programPath);

// The title of the running executable.
QString ApplicationTitle();

// The caption of the program's own notices, which nothing else fixes: the
// title with its first letter in upper case ("pontra" -> "Pontra").
QString NoticeTitle(const QString &programPath);
QString NoticeTitle();
