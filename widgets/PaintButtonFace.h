#pragma once

#include "widgets/TAlignment.h"
#include "widgets/TColor.h"

#include <QFont>
#include <QImage>
#include <QString>

class QFontMetrics;
class QPainter;

enum TLbSpeedButtonStyle { bsNormal, bsEncarta, bsModern, bsOld, bsShape, bsQuicken };
enum TLbSpeedButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Everything one button face depends on. PaintButtonFace reads nothing else,
// so a face can be painted onto any image without a widget behind it.
struct ButtonFace {
    int Width = 100;
    int Height = 23;
    TAlignment Alignment = taLeftJustify;
    QString Caption;
    TLbSpeedButtonLayout Layout = blGlyphLeft;
    QFont Font;
    TColor FontColor = clBlack;
    TColor ShadowColor = clBlack;
    TColor LightColor = clWhite;
    TColor HotTrackColor = clNone;
    TColor ColorWhenDown = clNone;
    TColor Color = clWindow;
    TLbSpeedButtonStyle Style = bsNormal;
    bool HasPopupMenu = false;
    bool WordWrap = false;
    bool Flat = false;
    bool Enabled = true;
    bool Transparent = false;
    bool MouseInside = false;
    bool Down = false;
    // A strip of NumGlyphs equal-width images side by side: 0 normal,
    // 1 disabled, 2 down, 3 hot.
    QImage Glyph;
    int NumGlyphs = 0;
    // Weight of the hot colour in eighths.
    int FadeLevel = 0;
};

// Paints the whole face at (0, 0). Pixels the face leaves out are cleared to
// transparent, so the canvas should start out transparent (an ARGB image).
void PaintButtonFace(QPainter &canvas, const ButtonFace &face);

// 32 horizontal bands from start to end over the rectangle that covers
// left..right-1 and top..bottom-1.
void FillVerticalGradient(QPainter &canvas, TColor start, TColor end, int left, int top, int right,
                          int bottom);

// normal weighted (8 - level)/8 plus hot weighted level/8, channel by channel.
TColor BlendHotColor(TColor normal, TColor hot, int level);

// Draws the gw x gh image that starts at column gx of the strip glyph at
// (x, y); its lower-left pixel's colour is the transparent key.
void DrawGlyphImage(QPainter &canvas, int x, int y, const QImage &glyph, int gx, int gw, int gh);

// Drops characters from the end of caption until its single-line width
// (ampersands measured as characters) is at most limit. No ellipsis.
QString CutCaption(const QString &caption, const QFontMetrics &metrics, int limit);
