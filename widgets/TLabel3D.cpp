#include "widgets/TLabel3D.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <array>

namespace {

// Offset of the shadow copy each ShadowNapr bit adds, in units of ShadowSize.
constexpr std::array<QPoint, 8> kShadowDirections{{
    {1, 1}, {-1, 1}, {-1, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {0, -1},
}};

// Qt rasterises glyphs larger than this from their outlines on every draw
// instead of keeping them in its glyph cache.
constexpr int kLargestCachedGlyph = 64;

// Empty and inverted rectangles paint nothing, whichever way they point.
void fillPixels(QPainter &painter, const QRect &rect, const QColor &colour)
{
    if (!rect.isEmpty())
        painter.fillRect(rect, colour);
}

// A one-pixel line from a to b along one axis, leaving out b.
void drawLineTo(QPainter &painter, QPoint a, QPoint b, const QColor &colour)
{
    if (a.x() == b.x()) {
        if (b.y() > a.y())
            fillPixels(painter, QRect(QPoint(a.x(), a.y()), QPoint(a.x(), b.y() - 1)), colour);
        else if (b.y() < a.y())
            fillPixels(painter, QRect(QPoint(a.x(), b.y() + 1), QPoint(a.x(), a.y())), colour);
    } else if (b.x() > a.x()) {
        fillPixels(painter, QRect(QPoint(a.x(), a.y()), QPoint(b.x() - 1, a.y())), colour);
    } else {
        fillPixels(painter, QRect(QPoint(b.x() + 1, a.y()), QPoint(a.x(), a.y())), colour);
    }
}

// Draws `width` nested one-pixel frames just inside rect and shrinks rect
// past them. QRect's right() and bottom() are the last pixel inside, which is
// where the frame's right and bottom edges lie.
void drawFrame(QPainter &painter, QRect &rect, int width, TColor top, TColor bottom)
{
    const QColor topColour = ToQColor(top);
    const QColor bottomColour = ToQColor(bottom);
    for (int i = 0; i < width; ++i) {
        const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
        drawLineTo(painter, {l, b}, {l, t}, topColour);
        drawLineTo(painter, {l, t}, {r, t}, topColour);
        drawLineTo(painter, {r, t}, {r, b}, bottomColour);
        drawLineTo(painter, {r, b}, {l - 1, b}, bottomColour);
        rect.adjust(1, 1, -1, -1);
    }
}

} // namespace

void FillLabelGradient(QPainter &painter, const QRect &rect, TColor first, TColor last,
                       TGradientOrientation orientation)
{
    const TColor from = ColorToRGB(first);
    const TColor to = ColorToRGB(last);
    int n = 0;
    switch (orientation) {
    case goHorizontal: n = rect.width() - 1; break;
    case goVertical: n = rect.height() - 1; break;
    case goHorizontal2: n = rect.width() / 2; break;
    case goVertical2: n = rect.height() / 2; break;
    }
    if (n <= 0)
        return;
    // x and y of the far edges, which lie outside rect.
    const int right = rect.x() + rect.width();
    const int bottom = rect.y() + rect.height();
    for (int d = 0; d <= n; ++d) {
        const QColor colour(((n - d) * RedOf(from) + d * RedOf(to)) / n,
                            ((n - d) * GreenOf(from) + d * GreenOf(to)) / n,
                            ((n - d) * BlueOf(from) + d * BlueOf(to)) / n);
        switch (orientation) {
        case goHorizontal:
            fillPixels(painter, QRect(rect.x() + d, rect.y(), 1, rect.height()), colour);
            break;
        case goVertical:
            fillPixels(painter, QRect(rect.x(), rect.y() + d, rect.width(), 1), colour);
            break;
        case goHorizontal2:
            fillPixels(painter, QRect(rect.x() + d, rect.y(), 1, rect.height()), colour);
            fillPixels(painter, QRect(right - d - 1, rect.y(), 1, rect.height()), colour);
            break;
        case goVertical2:
            fillPixels(painter, QRect(rect.x(), rect.y() + d, rect.width(), 1), colour);
            fillPixels(painter, QRect(rect.x(), bottom - d - 1, rect.width(), 1), colour);
            break;
        }
    }
}

// Pictures of large glyphs, kept because Qt fills the outline of every glyph
// above kLargestCachedGlyph pixels anew on each draw: on the public display
// that alone takes longer than a frame. A glyph is kept as its coverage per
// 1/64-pixel position and coloured as it is drawn, so a blit puts down the
// pixels Qt's fill would. Only the glyphs the last paint drew are kept: a
// line that changes moves its glyphs to new positions, and on a 4K monitor
// the pictures of a caption would otherwise grow by megabytes a change.
class TLabel3D::GlyphCache {
public:
    // Blits only where a picture lands pixel for pixel: on a raster device
    // without scaling.
    static bool Suits(const QPainter &painter)
    {
        return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster
               && painter.deviceTransform().type() <= QTransform::TxTranslate;
    }

    void DrawRun(QPainter &painter, const QGlyphRun &run, QPointF origin, const QColor &colour,
                 bool antialiased)
    {
        const QRawFont font = run.rawFont();
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            const QPointF at = origin + positions.at(i);
            const int x64 = qRound(at.x() * 64);
            const int y64 = qRound(at.y() * 64);
            const Key key{font, indexes.at(i), x64 & 63, y64 & 63, antialiased};
            auto found = glyphs_.find(key);
            if (found == glyphs_.end())
                found = Insert(key);
            found->paint = paint_;
            drawn_ = true;
            if (!found->coverage.isNull())
                painter.drawImage(QPoint(x64 >> 6, y64 >> 6) + found->offset, Coloured(found->coverage, colour));
        }
        if (run.underline())
            DrawUnderline(painter, run, origin, colour);
    }

    void Clear()
    {
        glyphs_.clear();
        bytes_ = 0;
        view_ = coloured_ = QImage();
    }

    // A paint begins; its end drops the glyphs it did not draw, unless it
    // drew none from here (on a device that takes no blits).
    void BeginPaint()
    {
        ++paint_;
        drawn_ = false;
    }
    void EndPaint()
    {
        if (!drawn_)
            return;
        for (auto glyph = glyphs_.begin(); glyph != glyphs_.end();) {
            if (glyph->paint == paint_) {
                ++glyph;
            } else {
                bytes_ -= glyph->coverage.sizeInBytes();
                glyph = glyphs_.erase(glyph);
            }
        }
    }

private:
    struct Key {
        QRawFont font;
        quint32 glyph;
        int subX, subY;
        bool antialiased;

        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0) noexcept
        {
            return qHashMulti(seed, key.font, key.glyph, key.subX, key.subY, key.antialiased);
        }
    };
    struct Glyph {
        // How much of each pixel the glyph covers, 0 to 255.
        QImage coverage;
        QPoint offset;
        // The paint that last drew it.
        quint64 paint = 0;
    };

    // Enough for the display's captions several times over.
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;

    QHash<Key, Glyph>::iterator Insert(const Key &key)
    {
        Glyph glyph;
        QPainterPath path = key.font.pathForGlyph(key.glyph);
        if (!path.isEmpty()) {
            path.setFillRule(Qt::WindingFill);
            path.translate(key.subX / 64.0, key.subY / 64.0);
            const QRect box = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
            glyph.coverage = QImage(box.size(), QImage::Format_Alpha8);
            glyph.coverage.fill(0);
            glyph.offset = box.topLeft();
            QPainter painter(&glyph.coverage);
            painter.setRenderHint(QPainter::Antialiasing, key.antialiased);
            painter.translate(-box.topLeft());
            painter.fillPath(path, Qt::white);
        }
        if (bytes_ + glyph.coverage.sizeInBytes() > kMaxBytes)
            Clear();
        bytes_ += glyph.coverage.sizeInBytes();
        return glyphs_.insert(key, glyph);
    }

    // The glyph in colour as Qt's fill of its outline makes it: the
    // premultiplied colour scaled by each pixel's coverage, rounded as Qt
    // rounds. In a picture of the cache's own, reused from glyph to glyph.
    const QImage &Coloured(const QImage &coverage, const QColor &colour)
    {
        const QRgb premultiplied = qPremultiply(colour.rgba());
        if (premultiplied != shadeOf_) {
            shadeOf_ = premultiplied;
            for (uint a = 0; a < shades_.size(); ++a) {
                uint t = (premultiplied & 0xff00ff) * a;
                t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
                uint x = ((premultiplied >> 8) & 0xff00ff) * a;
                x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
                shades_[a] = x | t;
            }
        }
        if (coloured_.width() < coverage.width() || coloured_.height() < coverage.height())
            coloured_ = QImage(coverage.size().expandedTo(coloured_.size()), QImage::Format_ARGB32_Premultiplied);
        const int width = coverage.width();
        const int height = coverage.height();
        const qsizetype fromLine = coverage.bytesPerLine();
        const qsizetype toLine = coloured_.bytesPerLine();
        const uchar *from = coverage.constBits();
        uchar *to = coloured_.bits();
        for (int y = 0; y < height; ++y, from += fromLine, to += toLine) {
            auto *pixel = reinterpret_cast<QRgb *>(to);
            for (int x = 0; x < width; ++x)
                pixel[x] = shades_[from[x]];
        }
        view_ = QImage(coloured_.bits(), width, height, toLine, QImage::Format_ARGB32_Premultiplied);
        return view_;
    }

    // The mnemonic's underline, placed as Qt places it for small text.
    static void DrawUnderline(QPainter &painter, const QGlyphRun &run, QPointF origin, const QColor &colour)
    {
        const QList<QPointF> positions = run.positions();
        if (positions.isEmpty())
            return;
        const QRawFont font = run.rawFont();
        const QList<QPointF> advances = font.advancesForGlyphIndexes(run.glyphIndexes());
        const qreal thickness = font.lineThickness();
        const qreal left = qFloor(origin.x() + positions.first().x());
        const qreal right = qFloor(origin.x() + positions.last().x() + advances.last().x());
        const qreal middle = origin.y() + positions.first().y() + qCeil(font.underlinePosition()) + 0.5;
        painter.fillRect(QRectF(left, middle - thickness / 2, right - left, thickness), colour);
    }

    QHash<Key, Glyph> glyphs_;
    qsizetype bytes_ = 0;
    quint64 paint_ = 0;
    bool drawn_ = false;
    // Coloured() draws into coloured_ through view_, with shades_ of the
    // colour shadeOf_ for each coverage.
    QImage coloured_;
    QImage view_;
    std::array<QRgb, 256> shades_{};
    QRgb shadeOf_ = 0;
};

// A caption laid out once, as QPainter::drawText lays out text in a
// rectangle, so that measuring and every copy share one layout.
class TLabel3D::LabelText {
public:
    LabelText(const QString &caption, const QFont &font, int flags, int width, const QPaintDevice *device)
        : font_(font), flags_(flags)
    {
        // '\r' outside a "\r\n" is a blank, as for QPainter::drawText.
        QString text = caption;
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        QList<QTextLayout::FormatRange> underlines;
        if (flags & Qt::TextShowMnemonic)
            text = StripMnemonics(text, underlines);

        const QFontMetricsF metrics(font, device);
        if (text.isEmpty()) {
            empty_ = true;
            height_ = metrics.height();
            return;
        }
        const bool wrap = flags & Qt::TextWordWrap;
        QTextOption option;
        option.setWrapMode(wrap ? QTextOption::WordWrap : QTextOption::ManualWrap);
        // Tab stops every eight average characters, whatever the alignment.
        option.setTabStopDistance(8 * metrics.averageCharWidth());
        if (!wrap)
            option.setFlags(QTextOption::IncludeTrailingSpaces);

        // Point sizes turn into pixels at the device's resolution.
        const QFont deviceFont(font, device);
        layout_.setFont(deviceFont);
        layout_.setText(text);
        layout_.setTextOption(option);
        layout_.setFormats(underlines);
        layout_.setCacheEnabled(true);
        const qreal lineWidth = wrap ? qMax(0, width) : qreal(0x01000000);
        const qreal leading = metrics.leading();
        qreal y = -leading;
        layout_.beginLayout();
        for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
            line.setLineWidth(lineWidth);
            // Every line starts on a whole pixel.
            y = qCeil(y + leading);
            line.setPosition(QPointF(0, y));
            y += line.ascent() + line.descent();
            width_ = qMax(width_, line.naturalTextWidth());
        }
        layout_.endLayout();
        height_ = y;
        large_ = QFontInfo(deviceFont).pixelSize() > kLargestCachedGlyph;
    }

    // Size of the text's bounding rectangle.
    QSize Size() const { return QSize(qCeil(width_), qCeil(height_)); }

    // Draws the text top-aligned in rect; lines that do not fit are cut at
    // rect's edges.
    void Draw(QPainter &painter, const QRect &rect, const QColor &colour, GlyphCache &glyphs) const
    {
        if (empty_ || colour.alpha() == 0)
            return;
        const QRectF bounds(rect.x() + HorizontalOffset(rect, width_), rect.y(), width_, height_);
        const bool clip = !QRectF(rect).contains(bounds);
        if (clip) {
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
        }
        painter.setPen(colour);
        const bool blit = large_ && GlyphCache::Suits(painter);
        const bool antialiased = painter.testRenderHint(QPainter::TextAntialiasing)
                                 && !(font_.styleStrategy() & QFont::NoAntialias);
        for (int i = 0; i < layout_.lineCount(); ++i) {
            const QTextLine line = layout_.lineAt(i);
            const QPointF origin(rect.x() + HorizontalOffset(rect, line.horizontalAdvance()), rect.y());
            if (!blit) {
                line.draw(&painter, origin);
                continue;
            }
            for (const QGlyphRun &run : line.glyphRuns()) {
                if (run.rawFont().pixelSize() > kLargestCachedGlyph)
                    glyphs.DrawRun(painter, run, origin, colour, antialiased);
                else
                    painter.drawGlyphRun(origin, run);
            }
        }
        if (clip)
            painter.restore();
    }

private:
    // Drops each single '&' and underlines the character after it; "&&"
    // stands for one '&'.
    static QString StripMnemonics(const QString &text, QList<QTextLayout::FormatRange> &underlines)
    {
        QString shown;
        shown.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('&')) {
                if (++i == text.size())
                    break;
                if (text.at(i) != QLatin1Char('&')) {
                    QTextLayout::FormatRange range;
                    range.start = static_cast<int>(shown.size());
                    range.length = 1;
                    range.format.setFontUnderline(true);
                    underlines.append(range);
                }
            }
            shown.append(text.at(i));
        }
        return shown;
    }

    qreal HorizontalOffset(const QRect &rect, qreal width) const
    {
        if (flags_ & Qt::AlignRight)
            return rect.width() - width;
        if (flags_ & Qt::AlignHCenter)
            return (rect.width() - width) / 2;
        return 0;
    }

    QFont font_;
    int flags_;
    QTextLayout layout_;
    qreal width_ = 0;
    qreal height_ = 0;
    bool empty_ = false;
    bool large_ = false;
};

TLabel3D::TLabel3D(QWidget *parent) : QWidget(parent), glyphs_(std::make_unique<GlyphCache>())
{
    // Whatever the label leaves unpainted shows the parent.
    setAutoFillBackground(false);
}

TLabel3D::~TLabel3D() = default;

template <typename T> void TLabel3D::assign(T &field, T value)
{
    if (field == value)
        return;
    field = value;
    update();
}

void TLabel3D::SetCaption(const QString &caption) { assign(caption_, caption); }
void TLabel3D::SetFontColor(TColor colour) { assign(fontColor_, colour); }
void TLabel3D::SetAlignment(TAlignment alignment) { assign(alignment_, alignment); }
void TLabel3D::SetLayout(TTextLayout layout) { assign(layout_, layout); }
void TLabel3D::SetWordWrap(bool wordWrap) { assign(wordWrap_, wordWrap); }
void TLabel3D::SetShowAccelChar(bool show) { assign(showAccelChar_, show); }
void TLabel3D::SetTransparent(bool transparent) { assign(transparent_, transparent); }
void TLabel3D::SetColor(TColor colour) { assign(color_, colour); }
void TLabel3D::SetHighLightColor(TColor colour) { assign(highLightColor_, colour); }
void TLabel3D::SetShadowColor(TColor colour) { assign(shadowColor_, colour); }
void TLabel3D::SetBevel(TLabel3DBevel bevel) { assign(bevel_, bevel); }
void TLabel3D::SetShadowSize(std::uint8_t size) { assign(shadowSize_, size); }
void TLabel3D::SetFirstColor(TColor colour) { assign(firstColor_, colour); }
void TLabel3D::SetLastColor(TColor colour) { assign(lastColor_, colour); }
void TLabel3D::SetFillGradient(bool fill) { assign(fillGradient_, fill); }
void TLabel3D::SetGradientOrientation(TGradientOrientation orientation) { assign(gradientOrientation_, orientation); }
void TLabel3D::SetBorderColor(TColor colour) { assign(borderColor_, colour); }
void TLabel3D::SetBorderWidth(std::int32_t width) { assign(borderWidth_, width); }
void TLabel3D::SetBorderStyle(TLabel3DBorderStyle style) { assign(borderStyle_, style); }
void TLabel3D::SetShadowNapr(std::int32_t directions) { assign(shadowNapr_, directions); }

void TLabel3D::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter);
}

void TLabel3D::hideEvent(QHideEvent *event)
{
    // A hidden label needs no pictures; its next paint makes them again.
    glyphs_->Clear();
    QWidget::hideEvent(event);
}

void TLabel3D::changeEvent(QEvent *event)
{
    // Pictures of the old font's glyphs are of no further use.
    if (event->type() == QEvent::FontChange)
        glyphs_->Clear();
    QWidget::changeEvent(event);
}

void TLabel3D::Paint(QPainter &painter)
{
    glyphs_->BeginPaint();
    painter.save();
    painter.setClipRect(rect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);

    QRect r = rect();
    switch (borderStyle_) {
    case lbNone:
        break;
    case lbNormal:
        drawFrame(painter, r, borderWidth_, borderColor_, borderColor_);
        break;
    case lbLowered:
        drawFrame(painter, r, borderWidth_, clBtnShadow, clBtnHighlight);
        break;
    case lbRaised:
        drawFrame(painter, r, borderWidth_, clBtnHighlight, clBtnShadow);
        break;
    case lbInn:
        drawFrame(painter, r, borderWidth_, clBtnShadow, clBtnHighlight);
        drawFrame(painter, r, borderWidth_, clBtnHighlight, clBtnShadow);
        break;
    case lbOut:
        drawFrame(painter, r, borderWidth_, clBtnHighlight, clBtnShadow);
        drawFrame(painter, r, borderWidth_, clBtnShadow, clBtnHighlight);
        break;
    }

    if (fillGradient_)
        FillLabelGradient(painter, r, firstColor_, lastColor_, gradientOrientation_);
    else if (!transparent_)
        fillPixels(painter, r, ToQColor(color_));

    int flags = Qt::AlignTop | Qt::TextExpandTabs | Qt::TextWordWrap;
    switch (alignment_) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }

    if (layout_ != tlTop) {
        QRect measured = r;
        DrawLabelText(painter, measured, flags, true);
        const int d = r.height() - measured.height();
        r.translate(0, layout_ == tlCenter ? d / 2 : d);
        // A text taller than the label keeps all its lines; only the label's
        // own bounds cut them.
        if (measured.height() > r.height()) {
            if (measured.bottom() > r.bottom())
                r.setBottom(measured.bottom());
            if (measured.top() < r.top())
                r.setTop(measured.top());
        }
    }
    DrawLabelText(painter, r, flags, false);
    painter.restore();
    glyphs_->EndPaint();
}

// Draws the caption in rect, or with calcOnly sets rect to the caption's
// bounding rectangle, keeping its top-left corner.
void TLabel3D::DrawLabelText(QPainter &painter, QRect &rect, int flags, bool calcOnly)
{
    QString text = caption_;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // An empty label measures one line high.
    if (calcOnly && (text.isEmpty() || (showAccelChar_ && text == QLatin1String("&"))))
        text += QLatin1Char(' ');
    // Without it '&' shows as typed.
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    painter.setFont(font());

    switch (bevel_) {
    case blNone: {
        const LabelText laidOut(text, font(), flags, rect.width(), painter.device());
        if (calcOnly)
            rect.setSize(laidOut.Size());
        else
            laidOut.Draw(painter, rect, ToQColor(fontColor_), *glyphs_);
        break;
    }
    case blLowered:
        DrawBeveledText(painter, shadowColor_, highLightColor_, rect, flags, text, calcOnly);
        break;
    case blRaised:
        DrawBeveledText(painter, highLightColor_, shadowColor_, rect, flags, text, calcOnly);
        break;
    case blShadow:
        DrawBeveledText(painter, clNone, shadowColor_, rect, flags, text, calcOnly);
        break;
    }
}

void TLabel3D::DrawBeveledText(QPainter &painter, TColor first, TColor second, QRect &rect, int flags,
                               const QString &text, bool calcOnly)
{
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    else
        flags &= ~Qt::TextWordWrap;
    const LabelText laidOut(text, font(), flags, rect.width(), painter.device());
    if (calcOnly) {
        rect.setSize(laidOut.Size());
        return;
    }
    const int s = shadowSize_;
    if (bevel_ != blShadow && isEnabled())
        laidOut.Draw(painter, rect.translated(-s, -s), ToQColor(first), *glyphs_);
    // The shadow copies stay when the label is disabled.
    const QColor shadow = ToQColor(second);
    for (std::size_t bit = 0; bit < kShadowDirections.size(); ++bit) {
        if (shadowNapr_ & (1 << bit))
            laidOut.Draw(painter, rect.translated(kShadowDirections[bit] * s), shadow, *glyphs_);
    }
    laidOut.Draw(painter, rect, ToQColor(isEnabled() ? fontColor_ : clGrayText), *glyphs_);
}
