#include "widgets/FittingComboBox.h"

#include "widgets/FitText.h"

#include <QFontInfo>
#include <QStyleOptionComboBox>
#include <QStylePainter>

FittingComboBox::FittingComboBox(QWidget *parent) : QComboBox(parent)
{
}

QRect FittingComboBox::FieldRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

QFont FittingComboBox::FieldFont() const
{
    QFont fitted = font();
    // The style insets the text a little within the field.
    constexpr int kInset = 4;
    fitted.setPixelSize(
        FittingPixelSize(font(), QFontInfo(font()).pixelSize(), currentText(), FieldRect().width() - kInset));
    return fitted;
}

void FittingComboBox::paintEvent(QPaintEvent *)
{
    // As the list paints itself, with the label's font fitted to the field.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.setFont(FieldFont());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
