#pragma once

#include <QFont>

// A font given, as the windows describe their fonts, by family and character
// height in pixels.
inline QFont PixelFont(const QString &family, int pixels, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
