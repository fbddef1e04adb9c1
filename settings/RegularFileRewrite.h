#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

// Hands a new file's content on piece by piece, in order.
using RewritePieces = std::function<void(QByteArrayView piece)>;
// Makes the new content from the current one, handing it to put.
using RewriteEdit = std::function<void(QByteArrayView current, const RewritePieces &put)>;

// Replaces the content of the regular file at path by what edit makes of its
// current content (empty when there is no file yet), atomically: a new file
// takes the old one's place, with its owner, group, permissions and
// extended attributes. A symbolic link is followed and stays a link; the
// regular file it leads to is rewritten.
//
// Refused, leaving everything as it was: anything but a regular file at the
// place (a folder, a device, a fifo, a link leading nowhere or to one of
// those, also when swapped in while the new content is written); a file or
// folder another user owns; a read-only file; a file with further hard
// links, which the new file would split off.
//
// Empty when the file was rewritten, else why not.
QString RewriteRegularFile(const QString &path, const RewriteEdit &edit);

// Why a place that holds something else than a regular file is not rewritten.
QString NotRegularFileReason();

// Removes the temporary files that rewrites of the file at path killed
// before their end left behind: the user's own files of the rewrite's name
// pattern, only while no rewrite runs beside them.
void RemoveStaleRewrites(const QString &path);
