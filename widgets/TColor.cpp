#include "widgets/TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The palette role standing for each system colour index in use.
QColor systemColor(std::uint32_t index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 0x05: // window background
        return palette.color(QPalette::Active, QPalette::Base);
    case 0x0F: // button face
        return palette.color(QPalette::Active, QPalette::Button);
    case 0x10: // button shadow
        return palette.color(QPalette::Active, QPalette::Dark);
    case 0x11: // grey (disabled) text
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 0x14: // button highlight
        return palette.color(QPalette::Active, QPalette::Light);
    case 0x15: // dark 3D shadow
        return palette.color(QPalette::Active, QPalette::Shadow);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace

TColor ColorToRGB(TColor colour)
{
    if (!IsSystemColor(colour))
        return colour;
    return FromQColor(systemColor(colour & 0xFF));
}

QColor ToQColor(TColor colour)
{
    if (colour == clNone)
        return QColor(Qt::transparent);
    const TColor rgb = ColorToRGB(colour);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

TColor FromQColor(const QColor &colour)
{
    return RGBColor(colour.red(), colour.green(), colour.blue());
}
