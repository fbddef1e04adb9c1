#pragma once

#include <QString>

// Whether the program starts when this user logs in: on Linux an XDG
// autostart entry, $XDG_CONFIG_HOME/autostart/<id>.desktop. The entry is the
// state; the settings file holds nothing for it, so that the desktop's own
// tools can switch it off too.
namespace LoginStart {

// Where the entry is, for the operator to read.
QString Place();
// The entry exists and the desktop would run it.
bool Enabled();
// Writes the entry, starting programPath, or removes it. A German sentence
// when that failed, else empty.
QString Set(bool enabled, const QString &programPath);

} // namespace LoginStart
