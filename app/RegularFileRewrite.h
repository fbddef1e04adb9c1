#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Replaces the content of the regular file at path by what edit makes of its
// current content (empty when there is no file yet), atomically: a new file
// takes the old one's place, with its permissions and owner. A symbolic link
// is followed and stays a link; the regular file it leads to is rewritten.
// Anything else at the place (a folder, a device, a fifo, a link leading
// nowhere or to one of those) is neither opened for reading nor replaced,
// also when it is swapped in while the new content is written. False when
// the file was not rewritten.
bool RewriteRegularFile(const QString &path, const std::function<QByteArray(const QByteArray &)> &edit);
