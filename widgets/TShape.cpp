#include "widgets/TShape.h"

#include <QPainter>

TShape::TShape(TShapeType shape, const QColor &fill, QWidget *parent) : QWidget(parent), shape_(shape), fill_(fill)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void TShape::SetBrushColor(const QColor &colour)
{
    if (colour == fill_)
        return;
    fill_ = colour;
    update();
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(fill_);
    if (shape_ == stRectangle) {
        painter.drawRect(0, 0, width() - 1, height() - 1);
        return;
    }
    // The largest circle that fits, centred.
    const int side = std::min(width(), height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawEllipse(QRectF((width() - side) / 2 + 0.5, (height() - side) / 2 + 0.5, side - 1, side - 1));
}
