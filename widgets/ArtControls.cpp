#include "widgets/ArtControls.h"

#include "widgets/Artwork.h"
#include "widgets/TImage.h"

#include <QToolButton>

QToolButton *MakeGlyphButton(QWidget *parent, const QRect &place, const QString &hint, const QIcon &glyph,
                             QSize glyphSize)
{
    auto *button = new QToolButton(parent);
    button->setGeometry(place);
    button->setToolTip(hint);
    button->setIcon(glyph);
    button->setIconSize(glyphSize);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

TImage *MakeArtImage(QWidget *parent, const QRect &place, const QString &art, const QString &hint)
{
    auto *image = new TImage(parent);
    image->setGeometry(place);
    image->SetPicture(Artwork(art, place.size()));
    if (!hint.isEmpty()) {
        image->setToolTip(hint);
        image->setCursor(Qt::PointingHandCursor);
    }
    return image;
}
