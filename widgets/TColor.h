#pragma once

#include <QColor>

#include <cstdint>

// A colour value as the program's windows and widgets store it: 0x00BBGGRR
// for an RGB colour (red in the low byte), 0xFF000000 plus an index for a
// system colour, which is resolved to RGB before any arithmetic on channels.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clTeal = 0x808000;
constexpr TColor clWhite = 0xFFFFFF;
// No colour at all.
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor clWindow = 0xFF000005;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor cl3DDkShadow = 0xFF000015;

constexpr TColor RGBColor(int red, int green, int blue)
{
    return static_cast<TColor>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}
constexpr int RedOf(TColor colour) { return colour & 0xFF; }
constexpr int GreenOf(TColor colour) { return (colour >> 8) & 0xFF; }
constexpr int BlueOf(TColor colour) { return (colour >> 16) & 0xFF; }
constexpr bool IsSystemColor(TColor colour) { return (colour & 0xFF000000u) == 0xFF000000u; }

// The RGB value of a colour: system colours are looked up in the
// application's palette (button face, shadow, highlight …); clNone stays.
TColor ColorToRGB(TColor colour);

// The colour for painting; clNone gives a transparent QColor.
QColor ToQColor(TColor colour);
TColor FromQColor(const QColor &colour);
