#include "widgets/TSimpleComboBox.h"

#include <QLineEdit>
#include <QStyleOptionFrame>
#include <QStylePainter>

TSimpleComboBox::TSimpleComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    lineEdit()->setFrame(false);
}

void TSimpleComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    painter.drawPrimitive(QStyle::PE_PanelLineEdit, frame);
}

void TSimpleComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + 1;
    lineEdit()->setGeometry(rect().adjusted(border, border, -border, -border));
}
