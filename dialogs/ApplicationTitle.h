#pragma once

#include <QString>

// The program's title as the dialogs show it: the executable's file name
// without folder, cut at the first dot, every letter after the first in
// lower case ("/opt/COUNTER.v2.exe" -> "COUNTER" -> "Counter").
QString ApplicationTitle(const QString &programPath);

// The title of the running executable.
QString ApplicationTitle();
