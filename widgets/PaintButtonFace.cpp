#include "widgets/PaintButtonFace.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

// Coordinates follow the classic GDI rules the button faces were designed
// with: a rectangle (x1, y1, x2, y2) covers x1..x2-1 and y1..y2-1, and a
// line leaves out its end point. Everything is filled pixel by pixel with
// fillRect, so no pen geometry or antialiasing shifts a frame line.

namespace {

QRect GdiRect(int x1, int y1, int x2, int y2)
{
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

void Fill(QPainter &canvas, int x1, int y1, int x2, int y2, const QColor &colour)
{
    if (x2 > x1 && y2 > y1)
        canvas.fillRect(GdiRect(x1, y1, x2, y2), colour);
}

// Where the face stays see-through, so the parent shows.
void Clear(QPainter &canvas, int x1, int y1, int x2, int y2)
{
    const QPainter::CompositionMode mode = canvas.compositionMode();
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    Fill(canvas, x1, y1, x2, y2, Qt::transparent);
    canvas.setCompositionMode(mode);
}

// A pen with a current position. The frames only need straight lines.
struct Pen {
    QPainter &canvas;
    QColor colour;
    int x = 0;
    int y = 0;

    void MoveTo(int toX, int toY)
    {
        x = toX;
        y = toY;
    }

    void LineTo(int toX, int toY)
    {
        if (toY == y) {
            if (toX > x)
                Fill(canvas, x, y, toX, y + 1, colour);
            else
                Fill(canvas, toX + 1, y, x + 1, y + 1, colour);
        } else if (toX == x) {
            if (toY > y)
                Fill(canvas, x, y, x + 1, toY, colour);
            else
                Fill(canvas, x, toY + 1, x + 1, y + 1, colour);
        }
        MoveTo(toX, toY);
    }
};

void OutlineRect(QPainter &canvas, int x1, int y1, int x2, int y2, const QColor &colour)
{
    Fill(canvas, x1, y1, x2, y1 + 1, colour);
    Fill(canvas, x1, y2 - 1, x2, y2, colour);
    Fill(canvas, x1, y1, x1 + 1, y2, colour);
    Fill(canvas, x2 - 1, y1, x2, y2, colour);
}

// Outline of a rectangle with 6 x 6 corner ellipses: at this size each
// corner is the three-pixel diagonal the ellipse rasterises to.
void OutlineRoundRect6(QPainter &canvas, int x1, int y1, int x2, int y2, const QColor &colour)
{
    const int r = x2 - 1;
    const int b = y2 - 1;
    Fill(canvas, x1 + 3, y1, x2 - 3, y1 + 1, colour);
    Fill(canvas, x1 + 3, b, x2 - 3, y2, colour);
    Fill(canvas, x1, y1 + 3, x1 + 1, y2 - 3, colour);
    Fill(canvas, r, y1 + 3, x2, y2 - 3, colour);
    for (int i = 0; i < 3; ++i) {
        Fill(canvas, x1 + 2 - i, y1 + i, x1 + 3 - i, y1 + i + 1, colour);
        Fill(canvas, r - 2 + i, y1 + i, r - 1 + i, y1 + i + 1, colour);
        Fill(canvas, x1 + 2 - i, b - i, x1 + 3 - i, b - i + 1, colour);
        Fill(canvas, r - 2 + i, b - i, r - 1 + i, b - i + 1, colour);
    }
}

// Filled rectangle with 4 x 4 corner ellipses: only the outermost corner
// pixels fall outside.
void FillRoundRect4(QPainter &canvas, int x1, int y1, int x2, int y2, const QColor &colour)
{
    Fill(canvas, x1 + 1, y1, x2 - 1, y1 + 1, colour);
    Fill(canvas, x1, y1 + 1, x2, y2 - 1, colour);
    Fill(canvas, x1 + 1, y2 - 1, x2 - 1, y2, colour);
}

void DrawPopupArrow(QPainter &canvas, int x, int y)
{
    for (int row = 0; row < 3; ++row)
        Fill(canvas, x + row, y + row, x + 5 - row, y + row + 1, Qt::black);
}

int HorizontalFlag(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight;
    case taCenter:
        return Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft;
}

void PaintFrame(QPainter &canvas, const ButtonFace &face, TColor faceColour, bool down)
{
    const int w = face.Width;
    const int h = face.Height;
    const QColor light = ToQColor(face.LightColor);
    const QColor shadow = ToQColor(face.ShadowColor);
    Pen pen{canvas, QColor()};
    switch (face.Style) {
    case bsNormal:
    case bsEncarta:
    case bsOld: {
        const bool framed = face.Enabled ? (!face.Flat || face.MouseInside || down) : !face.Flat;
        if (!framed)
            return;
        // Top and left edges in one colour, right and bottom in the other;
        // the bottom line ends at lastX.
        auto outerFrame = [&](const QColor &topLeft, const QColor &bottomRight, int lastX) {
            pen.colour = topLeft;
            pen.MoveTo(0, h - 1);
            pen.LineTo(0, 0);
            pen.LineTo(w - 1, 0);
            pen.colour = bottomRight;
            pen.LineTo(w - 1, h - 1);
            pen.LineTo(lastX, h - 1);
        };
        if (face.Style == bsOld) {
            const QColor darkShadow = ToQColor(cl3DDkShadow);
            pen.colour = shadow;
            if (down) {
                pen.MoveTo(1, h - 3);
                pen.LineTo(1, 1);
                pen.LineTo(w - 2, 1);
            } else {
                pen.MoveTo(w - 2, 0);
                pen.LineTo(w - 2, h - 2);
                pen.LineTo(0, h - 2);
            }
            outerFrame(down ? darkShadow : light, down ? light : darkShadow, -1);
        } else {
            outerFrame(down ? shadow : light, down ? light : shadow, 0);
        }
        return;
    }
    case bsModern:
        OutlineRect(canvas, 1, 1, w - 1, h - 1, down ? shadow : ToQColor(faceColour));
        OutlineRoundRect6(canvas, 0, 0, w, h, shadow);
        return;
    case bsQuicken:
        FillRoundRect4(canvas, 0, 1, w, h, ToQColor(faceColour));
        pen.colour = shadow;
        pen.MoveTo(4, 0);
        pen.LineTo(w - 5, 0);
        pen.MoveTo(4, h - 1);
        pen.LineTo(w - 5, h - 1);
        return;
    case bsShape:
        return;
    }
}

} // namespace

TColor BlendHotColor(TColor normal, TColor hot, int level)
{
    const TColor from = ColorToRGB(normal);
    const TColor to = ColorToRGB(hot);
    const double t = level / 8.0;
    const auto mix = [t](int a, int b) { return static_cast<int>((1.0 - t) * a + t * b); };
    return RGBColor(mix(RedOf(from), RedOf(to)), mix(GreenOf(from), GreenOf(to)),
                    mix(BlueOf(from), BlueOf(to)));
}

void FillVerticalGradient(QPainter &canvas, TColor start, TColor end, int left, int top, int right,
                          int bottom)
{
    const TColor from = ColorToRGB(start);
    const TColor to = ColorToRGB(end);
    const int span = bottom - top;
    const int bandHeight = span / 31 + 1;
    const double stepR = (RedOf(to) - RedOf(from)) / 31.0;
    const double stepG = (GreenOf(to) - GreenOf(from)) / 31.0;
    const double stepB = (BlueOf(to) - BlueOf(from)) / 31.0;
    double r = RedOf(from);
    double g = GreenOf(from);
    double b = BlueOf(from);
    // The running sums drift by rounding error; truncation keeps them in
    // 0..255 except for a last band that is empty anyway.
    const auto channel = [](double value) { return std::clamp(static_cast<int>(value), 0, 255); };
    for (int i = 0; i < 32; ++i) {
        const int bandTop = top + i * span / 31;
        const int bandBottom = std::min(bandTop + bandHeight, bottom);
        Fill(canvas, left, bandTop, right, bandBottom, QColor(channel(r), channel(g), channel(b)));
        r += stepR;
        g += stepG;
        b += stepB;
    }
}

void DrawGlyphImage(QPainter &canvas, int x, int y, const QImage &glyph, int gx, int gw, int gh)
{
    if (glyph.isNull() || gw <= 0 || gh <= 0)
        return;
    const QImage strip = glyph.convertToFormat(QImage::Format_ARGB32);
    // Starts as the first image, so a column past the strip's end shows it.
    QImage image = strip.copy(0, 0, gw, gh);
    {
        QPainter onImage(&image);
        onImage.setCompositionMode(QPainter::CompositionMode_Source);
        onImage.drawImage(-gx, 0, strip);
    }
    const QRgb key = image.pixel(0, gh - 1);
    for (int row = 0; row < gh; ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        std::replace(line, line + gw, key, QRgb(0));
    }
    canvas.drawImage(x, y, image);
}

QString CutCaption(const QString &caption, const QFontMetrics &metrics, int limit)
{
    QString text = caption;
    while (!text.isEmpty() && metrics.horizontalAdvance(text) > limit) {
        const bool pair = text.size() > 1 && text.back().isLowSurrogate() && text[text.size() - 2].isHighSurrogate();
        text.chop(pair ? 2 : 1);
    }
    return text;
}

void PaintButtonFace(QPainter &canvas, const ButtonFace &face)
{
    const int w = face.Width;
    const int h = face.Height;
    const bool down = face.Enabled && face.Down;
    const int off = down && face.Style != bsEncarta ? 1 : 0;

    TColor faceColour = ColorToRGB(face.Color);
    if (face.Enabled && face.HotTrackColor != clNone)
        faceColour = BlendHotColor(face.Color, face.HotTrackColor, face.FadeLevel);
    if (down && face.ColorWhenDown != clNone)
        faceColour = face.ColorWhenDown;

    if (face.Style == bsShape) {
        Clear(canvas, 0, 0, w, h);
    } else if (!face.Transparent) {
        switch (face.Style) {
        case bsNormal:
        case bsEncarta:
        case bsOld:
            Fill(canvas, 0, 0, w, h, ToQColor(faceColour));
            break;
        case bsModern:
            FillVerticalGradient(canvas, face.LightColor, faceColour, 2, 2, w - 2, h / 4 + off);
            FillVerticalGradient(canvas, faceColour, face.LightColor, 2, h / 4 + off, w - 2, h - 1);
            break;
        case bsQuicken:
        case bsShape:
            break;
        }
    }

    PaintFrame(canvas, face, faceColour, down);

    QFont font = face.Font;
    if (face.Style == bsEncarta && down)
        font.setBold(true);
    canvas.setFont(font);
    const QFontMetrics metrics = canvas.fontMetrics();

    const int gh = face.Glyph.height();
    const int gw = face.NumGlyphs > 0 ? face.Glyph.width() / face.NumGlyphs : 0;
    int gx = 0;
    if (!face.Enabled) {
        gx = gw;
    } else {
        if (face.MouseInside && face.NumGlyphs > 3)
            gx = 3 * gw;
        if (down && face.NumGlyphs > 2)
            gx = 2 * gw;
    }

    const int flags = Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignTop | HorizontalFlag(face.Alignment);

    const bool sideways = face.Layout == blGlyphLeft || face.Layout == blGlyphRight;
    int limit = w - 8;
    if (face.Style != bsShape && sideways && gw > 0)
        limit -= gw + 4;
    limit = std::max(limit, 0);
    const QString caption = face.WordWrap ? face.Caption : CutCaption(face.Caption, metrics, limit);
    // No caption takes no room (Qt would still report a line's height).
    const QRect measured =
        caption.isEmpty() ? QRect() : metrics.boundingRect(QRect(0, 0, limit, 0), flags, caption);
    const int th = measured.height();
    const int tw = measured.width();

    if (face.Style == bsShape) {
        DrawGlyphImage(canvas, (w - gw) / 2, (h - gh) / 2, face.Glyph, gx, gw, gh);
        canvas.setPen(ToQColor(face.FontColor));
        canvas.drawText(GdiRect(off, (h - th) / 2 + off, w, h),
                        Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignTop | Qt::AlignHCenter, caption);
    } else {
        int textLeft = off + 4;
        int textTop = 0;
        int glyphLeft = 0;
        int glyphTop = 0;
        if (sideways) {
            textTop = (h - th) / 2 + off;
            glyphTop = (h - gh) / 2 + off;
            const int textW = caption.isEmpty() ? 0 : tw + 4;
            if (face.Layout == blGlyphLeft) {
                if (gw > 0)
                    textLeft += gw + 4;
                glyphLeft = off + 4;
                if (!face.WordWrap && face.Alignment == taRightJustify)
                    glyphLeft = w - 4 - gw - textW + off;
                else if (!face.WordWrap && face.Alignment == taCenter)
                    glyphLeft = (w - gw) / 2 + off - textW / 2;
            } else {
                glyphLeft = textLeft + textW;
                if (!face.WordWrap && face.Alignment == taRightJustify)
                    glyphLeft = w - 4 + off - gw;
                else if (!face.WordWrap && face.Alignment == taCenter)
                    glyphLeft = (w - gw) / 2 + off + textW / 2;
            }
        } else {
            const int block = gh > 0 ? th + gh + 4 : th;
            if (face.Layout == blGlyphTop) {
                glyphTop = (h - block) / 2 + off;
                textTop = glyphTop + gh;
            } else {
                textTop = (h - block) / 2 + off;
                glyphTop = textTop + th;
            }
            switch (face.Alignment) {
            case taLeftJustify:
                glyphLeft = off + 4;
                break;
            case taRightJustify:
                glyphLeft = w - gw - 4 + off;
                break;
            case taCenter:
                glyphLeft = (w - gw) / 2 + off;
                break;
            }
        }
        canvas.setPen(ToQColor(face.Enabled ? face.FontColor : clGray));
        canvas.drawText(GdiRect(textLeft, textTop, textLeft + limit, textTop + th), flags, caption);
        DrawGlyphImage(canvas, glyphLeft, glyphTop, face.Glyph, gx, gw, gh);
    }

    if (face.HasPopupMenu)
        DrawPopupArrow(canvas, w - 11, h / 2 - 1);
}
