#include "widgets/PaintButtonFace.h"

#include "support/Printers.h"

#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr QRgb kClear = 0;
constexpr TColor kFace = 0x406080;
// Colours no glyph image or caption uses.
constexpr TColor kLight = 0xC8F0E6;
constexpr TColor kShadow = 0x5A1414;

QRgb Rgb(TColor colour)
{
    const TColor rgb = ColorToRGB(colour);
    return qRgb(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage Paint(const ButtonFace &face)
{
    QImage image = Canvas(face.Width, face.Height);
    QPainter canvas(&image);
    PaintButtonFace(canvas, face);
    return image;
}

ButtonFace Face(TLbSpeedButtonStyle style, int w = 20, int h = 10)
{
    ButtonFace face;
    face.Width = w;
    face.Height = h;
    face.Style = style;
    face.Color = kFace;
    face.LightColor = kLight;
    face.ShadowColor = kShadow;
    return face;
}

// Four 6 x 6 images in distinct colours; each lower-left pixel is magenta.
const QRgb kImageColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 0)};
QImage Strip(int count)
{
    QImage strip(6 * count, 6, QImage::Format_ARGB32);
    for (int i = 0; i < count; ++i) {
        QPainter(&strip).fillRect(6 * i, 0, 6, 6, QColor(kImageColours[i]));
        strip.setPixel(6 * i, 5, qRgb(255, 0, 255));
    }
    return strip;
}

// Bounding box of everything painted, or of the pixels in one colour.
QRect Ink(const QImage &image, std::optional<QRgb> colour = {})
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colour ? image.pixel(x, y) == *colour : qAlpha(image.pixel(x, y)) != 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(PaintButtonFace, GradientPaints31VisibleBandsAndNeverTheEndColour)
{
    // Steps of exactly 8, 1 and -8 per band; 31 rows give one row per band.
    QImage image = Canvas(6, 33);
    QPainter canvas(&image);
    FillVerticalGradient(canvas, RGBColor(0, 0, 248), RGBColor(248, 31, 0), 1, 1, 5, 32);
    for (int band = 0; band <= 30; ++band)
        EXPECT_EQ(image.pixel(2, 1 + band), qRgb(8 * band, band, 248 - 8 * band)) << "band " << band;
    // Band 31 would start at the bottom edge: the end colour never shows.
    EXPECT_EQ(image.pixel(2, 32), kClear);
    EXPECT_EQ(Ink(image), QRect(1, 1, 4, 31));
}

TEST(PaintButtonFace, GradientBandPlacementAndTruncation)
{
    QImage image = Canvas(1, 62);
    QPainter canvas(&image);
    // 62 rows: bands are three rows high and overlap, so each shows two.
    FillVerticalGradient(canvas, RGBColor(0, 0, 0), RGBColor(248, 0, 0), 0, 0, 1, 62);
    EXPECT_EQ(qRed(image.pixel(0, 1)), 0);
    EXPECT_EQ(qRed(image.pixel(0, 2)), 8);
    EXPECT_EQ(qRed(image.pixel(0, 61)), 240);

    // 10 rows: several bands share a row and the last one drawn wins.
    image.fill(Qt::transparent);
    FillVerticalGradient(canvas, RGBColor(0, 0, 0), RGBColor(248, 0, 0), 0, 0, 1, 10);
    EXPECT_EQ(qRed(image.pixel(0, 0)), 3 * 8);
    EXPECT_EQ(qRed(image.pixel(0, 1)), 6 * 8);
    EXPECT_EQ(qRed(image.pixel(0, 9)), 30 * 8);
    EXPECT_EQ(image.pixel(0, 10), kClear);

    // Fractional steps truncate toward zero, both up and down.
    image.fill(Qt::transparent);
    FillVerticalGradient(canvas, RGBColor(0, 100, 0), RGBColor(100, 0, 0), 0, 0, 1, 31);
    EXPECT_EQ(image.pixel(0, 1), qRgb(3, 96, 0));
    EXPECT_EQ(image.pixel(0, 30), qRgb(96, 3, 0));
}

TEST(PaintButtonFace, BlendHotColorMovesFromNormalToHotInEighths)
{
    const int red[] = {0, 31, 63, 95, 127, 159, 191, 223, 255};
    const int green[] = {100, 87, 75, 62, 50, 37, 25, 12, 0};
    for (int level = 0; level <= 8; ++level)
        EXPECT_EQ(BlendHotColor(RGBColor(0, 100, 255), RGBColor(255, 0, 7), level),
                  RGBColor(red[level], green[level], 255 - 31 * level))
            << "level " << level;
    EXPECT_EQ(BlendHotColor(clBtnFace, clWhite, 0), ColorToRGB(clBtnFace));
}

struct FramePixel {
    int x, y;
    TColor colour;
};
struct FrameCase {
    const char *name;
    TLbSpeedButtonStyle style;
    bool down;
    std::vector<FramePixel> pixels;
};

TEST(PaintButtonFace, ClassicFramesLeaveOutLineEndPoints)
{
    // 20 x 10 faces; the points sit at the ends and turns of the lines.
    const FrameCase cases[] = {
        {"normal up", bsNormal, false,
         {{0, 0, kLight}, {18, 0, kLight}, {19, 0, kShadow}, {0, 9, kLight}, {1, 9, kShadow},
          {19, 9, kShadow}, {19, 8, kShadow}, {1, 1, kFace}, {18, 8, kFace}}},
        {"normal down", bsNormal, true,
         {{0, 0, kShadow}, {19, 0, kLight}, {0, 9, kShadow}, {1, 9, kLight}, {19, 9, kLight}}},
        {"old up", bsOld, false,
         {{0, 0, kLight}, {18, 0, kLight}, {19, 0, cl3DDkShadow}, {0, 8, kLight}, {0, 9, cl3DDkShadow},
          {18, 1, kShadow}, {18, 8, kShadow}, {1, 8, kShadow}, {19, 9, cl3DDkShadow}, {1, 1, kFace},
          {17, 7, kFace}}},
        {"old down", bsOld, true,
         {{1, 1, kShadow}, {1, 7, kShadow}, {1, 8, kFace}, {17, 1, kShadow}, {18, 1, kFace},
          {0, 0, cl3DDkShadow}, {18, 0, cl3DDkShadow}, {0, 8, cl3DDkShadow}, {19, 0, kLight},
          {0, 9, kLight}, {19, 9, kLight}, {2, 2, kFace}}},
    };
    for (const FrameCase &frame : cases) {
        ButtonFace face = Face(frame.style);
        face.Down = frame.down;
        const QImage image = Paint(face);
        for (const FramePixel &p : frame.pixels)
            EXPECT_EQ(image.pixel(p.x, p.y), Rgb(p.colour)) << frame.name << " at " << p.x << "," << p.y;
    }
}

TEST(PaintButtonFace, FlatFrameShowsOnlyWhenHotOrDown)
{
    const auto framed = [](bool enabled, bool flat, bool hot, bool down) {
        ButtonFace face = Face(bsNormal);
        face.Enabled = enabled;
        face.Flat = flat;
        face.MouseInside = hot;
        face.Down = down;
        return Paint(face).pixel(0, 0) != Rgb(kFace);
    };
    EXPECT_FALSE(framed(true, true, false, false));
    EXPECT_TRUE(framed(true, true, true, false));
    EXPECT_TRUE(framed(true, true, false, true));
    EXPECT_FALSE(framed(false, true, false, false));
    EXPECT_TRUE(framed(false, false, false, false));

    // Disabled buttons never look pressed.
    ButtonFace face = Face(bsNormal);
    face.Enabled = false;
    face.Down = true;
    EXPECT_EQ(Paint(face).pixel(0, 0), Rgb(kLight));
}

TEST(PaintButtonFace, ModernFaceHasRoundedShadowFrameAndGradient)
{
    // Tall enough for both gradients to start with a band of their own:
    // light from row 2, face from row 132 div 4 = 33.
    ButtonFace face = Face(bsModern, 30, 132);
    QImage image = Paint(face);
    for (const QPoint corner : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(29, 0), QPoint(0, 131), QPoint(29, 131)})
        EXPECT_EQ(image.pixel(corner), kClear) << corner.x() << "," << corner.y();
    for (const QPoint edge : {QPoint(3, 0), QPoint(26, 0), QPoint(0, 3), QPoint(0, 128), QPoint(29, 66), QPoint(15, 131)})
        EXPECT_EQ(image.pixel(edge), Rgb(kShadow)) << edge.x() << "," << edge.y();
    EXPECT_EQ(image.pixel(10, 1), Rgb(kFace));
    EXPECT_EQ(image.pixel(1, 66), Rgb(kFace));
    EXPECT_EQ(image.pixel(10, 2), Rgb(kLight));
    EXPECT_EQ(image.pixel(10, 33), Rgb(kFace));

    // Pressed: shadow inner ring, and the face band moves down a row.
    face.Down = true;
    image = Paint(face);
    EXPECT_EQ(image.pixel(10, 1), Rgb(kShadow));
    EXPECT_EQ(image.pixel(28, 66), Rgb(kShadow));
    EXPECT_NE(image.pixel(10, 33), Rgb(kFace));
    EXPECT_EQ(image.pixel(10, 34), Rgb(kFace));
}

TEST(PaintButtonFace, HotAndPressedFaceColours)
{
    ButtonFace face = Face(bsNormal);
    face.HotTrackColor = 0x000000;
    face.Color = RGBColor(0, 0, 80);
    face.FadeLevel = 4;
    EXPECT_EQ(Paint(face).pixel(5, 5), qRgb(0, 0, 40));
    face.ColorWhenDown = RGBColor(9, 9, 9);
    face.Down = true;
    EXPECT_EQ(Paint(face).pixel(5, 5), qRgb(9, 9, 9));
    // A disabled face ignores the hot colour.
    face.Enabled = false;
    EXPECT_EQ(Paint(face).pixel(5, 5), qRgb(0, 0, 80));
}

TEST(PaintButtonFace, QuickenAndShapeFaces)
{
    QImage image = Paint(Face(bsQuicken));
    EXPECT_EQ(Ink(image, Rgb(kShadow)), QRect(4, 0, 11, 10));
    EXPECT_EQ(image.pixel(0, 1), kClear);
    EXPECT_EQ(image.pixel(1, 1), Rgb(kFace));
    EXPECT_EQ(image.pixel(0, 2), Rgb(kFace));

    EXPECT_TRUE(Ink(Paint(Face(bsShape))).isEmpty());
}

TEST(PaintButtonFace, ChoosesTheGlyphImageForTheState)
{
    struct Case {
        int images;
        bool enabled, hot, down;
        int expected;
    };
    const Case cases[] = {
        {4, true, false, false, 0}, {4, false, false, false, 1}, {1, false, false, false, 0},
        {4, true, true, false, 3},  {4, true, true, true, 2},    {3, true, false, true, 2},
        {3, true, true, false, 0},  {2, true, false, true, 0},   {4, false, true, true, 1},
    };
    for (const Case &c : cases) {
        // A shape face centres the glyph and never shifts it: here at (7, 7).
        ButtonFace face = Face(bsShape, 20, 20);
        face.Glyph = Strip(c.images);
        face.NumGlyphs = c.images;
        face.Enabled = c.enabled;
        face.MouseInside = c.hot;
        face.Down = c.down;
        const QImage image = Paint(face);
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(image.pixel(9, 9), kImageColours[c.expected]);
        EXPECT_EQ(image.pixel(7, 12), kClear);
        EXPECT_EQ(image.pixel(13, 9), kClear);
    }
}

TEST(PaintButtonFace, DrawGlyphImageKeysOnTheChosenImagesLowerLeftPixel)
{
    QImage strip = Strip(2);
    strip.setPixel(3, 2, qRgb(255, 0, 255));
    strip.setPixel(6, 5, qRgb(1, 2, 3));
    strip.setPixel(9, 2, qRgb(255, 0, 255));
    QImage image = Canvas(20, 10);
    QPainter canvas(&image);
    DrawGlyphImage(canvas, 0, 0, strip, 0, 6, 6);
    EXPECT_EQ(image.pixel(3, 2), kClear);
    DrawGlyphImage(canvas, 10, 0, strip, 6, 6, 6);
    EXPECT_EQ(image.pixel(10, 5), kClear);
    EXPECT_EQ(image.pixel(13, 2), qRgb(255, 0, 255));
    // Past the end of the strip the first image stays.
    image.fill(Qt::transparent);
    DrawGlyphImage(canvas, 0, 0, strip, 12, 6, 6);
    EXPECT_EQ(image.pixel(1, 1), kImageColours[0]);
}

TEST(PaintButtonFace, CutCaptionDropsCharactersFromTheEndCountingAmpersands)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    const QFontMetrics metrics(font);
    EXPECT_EQ(CutCaption(QStringLiteral("Abcdef"), metrics, metrics.horizontalAdvance(QStringLiteral("Abc"))),
              QStringLiteral("Abc"));
    EXPECT_EQ(CutCaption(QStringLiteral("Abcdef"), metrics, metrics.horizontalAdvance(QStringLiteral("Abc")) - 1),
              QStringLiteral("Ab"));
    EXPECT_EQ(CutCaption(QStringLiteral("Abc"), metrics, 0), QString());
    // "&Save" shows as "Save" but is measured with its ampersand.
    const int limit = metrics.horizontalAdvance(QStringLiteral("Save"));
    const QString cut = CutCaption(QStringLiteral("&Save"), metrics, limit);
    EXPECT_TRUE(cut.size() < 5 && metrics.horizontalAdvance(cut) <= limit) << cut.toStdString();
}

TEST(PaintButtonFace, CaptionIsCutToOneLineUnlessItWraps)
{
    ButtonFace face = Face(bsNormal, 60, 60);
    face.Transparent = true;
    face.Flat = true;
    // Narrow letters, so the cut ends close to the limit of 60 - 8.
    face.Caption = QStringLiteral("iiiii iiiii iiiii iiiii iiiii iiiii iiiii");
    const QRect cut = Ink(Paint(face));
    EXPECT_LT(cut.right(), 4 + 52);
    EXPECT_GE(cut.right(), 4 + 52 - 6);
    EXPECT_LT(cut.height(), QFontMetrics(face.Font).height());
    face.WordWrap = true;
    EXPECT_GT(Ink(Paint(face)).height(), QFontMetrics(face.Font).height());
}

TEST(PaintButtonFace, GlyphPlacementFollowsCaptionAndPress)
{
    ButtonFace face = Face(bsNormal, 40, 20);
    face.Transparent = true;
    face.Flat = true;
    face.Alignment = taCenter;
    face.Glyph = Strip(1);
    face.NumGlyphs = 1;
    // No caption takes no room: the glyph sits in the middle, at (17, 7).
    QImage image = Paint(face);
    EXPECT_EQ(Ink(image), QRect(17, 7, 6, 6));
    // A caption pushes it left by half its width plus 2.
    face.Caption = QStringLiteral("X");
    const int tw = QFontMetrics(face.Font)
                       .boundingRect(QRect(0, 0, 32, 0), Qt::TextWordWrap | Qt::AlignHCenter, QStringLiteral("X"))
                       .width();
    EXPECT_NEAR(Ink(Paint(face)).left(), 17 - (tw + 4) / 2, 1);

    // Pressing shifts glyph and caption one pixel, except in the Encarta style.
    face.Caption.clear();
    face.Alignment = taLeftJustify;
    face.Down = true;
    EXPECT_EQ(Ink(Paint(face), kImageColours[0]).topLeft(), QPoint(5, 8));
    face.Style = bsEncarta;
    EXPECT_EQ(Ink(Paint(face), kImageColours[0]).topLeft(), QPoint(4, 7));
}

TEST(PaintButtonFace, DisabledCaptionTurnsGreyExceptOnShapes)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(20);
    font.setBold(true);
    ButtonFace face = Face(bsNormal, 60, 30);
    face.Font = font;
    face.FontColor = RGBColor(0, 0, 255);
    face.Caption = QStringLiteral("HH");
    face.Enabled = false;
    QImage image = Paint(face);
    EXPECT_GT(Ink(image, Rgb(clGray)).width(), 20);
    EXPECT_TRUE(Ink(image, Rgb(face.FontColor)).isEmpty());
    face.Style = bsShape;
    image = Paint(face);
    EXPECT_TRUE(Ink(image, Rgb(clGray)).isEmpty());
    EXPECT_GT(Ink(image, Rgb(face.FontColor)).width(), 20);
}

TEST(PaintButtonFace, PopupMenuArrow)
{
    ButtonFace face = Face(bsNormal, 30, 20);
    face.Transparent = true;
    face.Flat = true;
    face.HasPopupMenu = true;
    const QImage image = Paint(face);
    EXPECT_EQ(Ink(image, qRgb(0, 0, 0)), QRect(19, 9, 5, 3));
    EXPECT_EQ(Ink(image), QRect(19, 9, 5, 3));
    EXPECT_EQ(image.pixel(19, 10), kClear);
    EXPECT_EQ(image.pixel(22, 11), kClear);
}
