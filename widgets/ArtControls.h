#pragma once

#include <QIcon>
#include <QRect>
#include <QString>

class QToolButton;
class QWidget;
class TImage;

// A flat button showing only a glyph at the given size, with its hint; it
// takes no keyboard focus, so the window's keys stay where they are.
QToolButton *MakeGlyphButton(QWidget *parent, const QRect &place, const QString &hint, const QIcon &glyph,
                             QSize glyphSize);

// One of the program's pictures (see Artwork) filling place; with a hint it
// is clickable and shows the hand cursor.
TImage *MakeArtImage(QWidget *parent, const QRect &place, const QString &art, const QString &hint = {});
