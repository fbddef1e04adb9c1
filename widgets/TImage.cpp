#include "widgets/TImage.h"

#include <QMouseEvent>

TImage::TImage(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setScaledContents(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

void TImage::SetPicture(const QPixmap &picture)
{
    setPixmap(picture);
}

QPixmap TImage::Picture() const
{
    return pixmap();
}

void TImage::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
}
