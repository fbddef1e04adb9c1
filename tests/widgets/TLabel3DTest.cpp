#include "widgets/TLabel3D.h"

#include "support/Printers.h"
#include "support/Wait.h"

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr QRgb kBack = qRgb(0x12, 0x34, 0x56);
constexpr TColor kInk = RGBColor(255, 0, 0);
constexpr TColor kShadowInk = RGBColor(0, 0, 255);
constexpr TColor kLightInk = RGBColor(0, 255, 0);

QRgb Rgb(TColor colour)
{
    const TColor rgb = ColorToRGB(colour);
    return qRgb(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

QImage Canvas(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBack);
    return image;
}

QImage Render(TLabel3D &label)
{
    QImage image = Canvas(label.size());
    QPainter painter(&image);
    label.Paint(painter);
    return image;
}

// Bounding box of the pixels of one colour, or of all but kBack when 0.
QRect Box(const QImage &image, QRgb colour = 0)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colour ? image.pixel(x, y) == colour : image.pixel(x, y) != kBack)
                box |= QRect(x, y, 1, 1);
    return box;
}

// A transparent label with sharp glyphs, so each text pixel has exactly one
// of the three ink colours.
struct TextLabel : TLabel3D {
    TextLabel(const QString &caption, int w, int h, int pixels = 20)
    {
        resize(w, h);
        QFont sharp(QStringLiteral("Liberation Sans"));
        sharp.setPixelSize(pixels);
        sharp.setStyleStrategy(QFont::NoAntialias);
        setFont(sharp);
        SetTransparent(true);
        SetFontColor(kInk);
        SetShadowColor(kShadowInk);
        SetHighLightColor(kLightInk);
        SetCaption(caption);
    }
};

TEST(TLabel3D, GradientStripesFollowTheIntegerFormula)
{
    const TColor first = RGBColor(0, 10, 255), last = RGBColor(255, 0, 1);
    const QRgb f = Rgb(first), l = Rgb(last), b = kBack;
    const QRgb quarter = qRgb(63, 7, 191), half = qRgb(127, 5, 128), third = qRgb(85, 6, 170);
    const struct {
        QRect rect;
        TGradientOrientation orientation;
        std::vector<QRgb> line; // along the gradient from (0, 1) or (1, 0)
    } cases[] = {
        {QRect(1, 1, 5, 2), goHorizontal, {b, f, quarter, half, qRgb(191, 2, 64), l, b}},
        {QRect(1, 1, 2, 5), goVertical, {b, f, quarter, half, qRgb(191, 2, 64), l, b}},
        // n = width div 2 = 3: the last stripe of each side covers the other's.
        {QRect(1, 1, 6, 2), goHorizontal2, {b, f, third, l, l, third, f, b}},
        {QRect(1, 1, 2, 5), goVertical2, {b, f, half, l, half, f, b}},
        // n <= 0 paints nothing.
        {QRect(1, 1, 1, 3), goHorizontal, {b, b, b}},
        {QRect(1, 1, 3, 1), goVertical2, {b, b, b}},
    };
    for (const auto &c : cases) {
        QImage image = Canvas(QSize(9, 9));
        QPainter painter(&image);
        FillLabelGradient(painter, c.rect, first, last, c.orientation);
        const bool across = c.orientation == goHorizontal || c.orientation == goHorizontal2;
        std::vector<QRgb> line;
        for (int i = 0; i < int(c.line.size()); ++i)
            line.push_back(across ? image.pixel(i, 1) : image.pixel(1, i));
        EXPECT_EQ(line, c.line) << c.orientation;
    }

    TextLabel label(QString(), 1, 8);
    label.SetTransparent(false);
    label.SetFillGradient(true);
    EXPECT_TRUE(Box(Render(label)).isNull()) << "not even Color";
}

TEST(TLabel3D, FramesLeaveOutTheEndPointsOfTheirLines)
{
    const QRgb light = Rgb(clBtnHighlight), dark = Rgb(clBtnShadow), b = kBack;
    ASSERT_NE(light, dark);
    TextLabel label(QString(), 5, 4);
    label.SetBorderStyle(lbRaised);
    const QImage raised = Render(label);
    const QRgb expected[4][5] = {{light, light, light, light, dark},
                                 {light, b, b, b, dark},
                                 {light, b, b, b, dark},
                                 {dark, dark, dark, dark, dark}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(raised.pixel(x, y), expected[y][x]) << x << ',' << y;

    // lbInn, width 2: two lowered frames, two raised ones, then the text area.
    TextLabel inn(QString(), 14, 12);
    inn.SetTransparent(false);
    inn.SetColor(kInk);
    inn.SetBorderStyle(lbInn);
    inn.SetBorderWidth(2);
    const QImage image = Render(inn);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image.pixel(i, i), i < 2 ? dark : light) << i;
        EXPECT_EQ(image.pixel(13 - i, 11 - i), i < 2 ? light : dark) << i;
    }
    EXPECT_EQ(Box(image, Rgb(kInk)), QRect(4, 4, 6, 4));
}

// 20 pixels goes through Qt's text drawing, 100 through the label's glyph pictures.
class ShadowCopies : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(TLabel3D, ShadowCopies, testing::Values(20, 100));

TEST_P(ShadowCopies, LandWhereTheirBitsPoint)
{
    TextLabel label(QStringLiteral("H"), 160, 160, GetParam());
    label.SetBevel(blShadow);
    label.SetShadowSize(3);
    label.SetAlignment(taCenter);
    label.SetLayout(tlCenter);
    label.SetShadowNapr(0);
    const QRect text = Box(Render(label));
    ASSERT_FALSE(text.isNull());
    EXPECT_EQ(Box(Render(label), Rgb(kInk)), text);

    const std::pair<int, QMargins> cases[] = {
        {1, {0, 0, 3, 3}},  {2, {3, 0, 0, 3}},  {4, {3, 3, 0, 0}},  {8, {0, 3, 3, 0}},
        {16, {0, 0, 3, 0}}, {32, {0, 0, 0, 3}}, {64, {3, 0, 0, 0}}, {128, {0, 3, 0, 0}},
        {255, {3, 3, 3, 3}}, {256 | 1, {0, 0, 3, 3}}};
    for (const auto &[napr, grown] : cases) {
        label.SetShadowNapr(napr);
        const QImage image = Render(label);
        EXPECT_EQ(Box(image), text + grown) << napr;
        EXPECT_EQ(Box(image, Rgb(kShadowInk)) | text, text + grown) << napr;
        EXPECT_TRUE(Box(image, Rgb(kLightInk)).isNull()) << napr;
    }
    label.SetBevel(blRaised);
    label.SetShadowNapr(0);
    EXPECT_EQ(Box(Render(label), Rgb(kLightInk)) | text, text + QMargins(3, 3, 0, 0));
}

TEST(TLabel3D, DisabledRaisedLabelKeepsShadowButDropsHighlight)
{
    TextLabel label(QStringLiteral("H"), 40, 30);
    EXPECT_FALSE(Box(Render(label), Rgb(kLightInk)).isNull());
    label.setEnabled(false);
    const QImage image = Render(label);
    EXPECT_TRUE(Box(image, Rgb(kLightInk)).isNull());
    EXPECT_TRUE(Box(image, Rgb(kInk)).isNull());
    EXPECT_FALSE(Box(image, Rgb(kShadowInk)).isNull());
    EXPECT_FALSE(Box(image, Rgb(clGrayText)).isNull());

    label.SetBevel(blNone);
    const QImage flat = Render(label);
    label.setEnabled(true);
    EXPECT_EQ(Render(label), flat);
}

TEST(TLabel3D, OnlyTheFlatBevelWrapsWithoutWordWrap)
{
    TextLabel label(QStringLiteral("Wand Wand"), 70, 80);
    label.SetShadowNapr(0);
    const int oneLine = Box(Render(label)).height();
    label.SetBevel(blNone);
    EXPECT_GT(Box(Render(label)).height(), oneLine + 10);
    label.SetBevel(blRaised);
    label.SetWordWrap(true);
    EXPECT_GT(Box(Render(label)).height(), oneLine + 10);
    label.SetWordWrap(false);
    label.SetCaption(QStringLiteral("W\nW"));
    EXPECT_GT(Box(Render(label)).height(), oneLine + 10);
}

TEST(TLabel3D, CaptionTextRules)
{
    // "\r\n" is one line break, leaving nothing at the line's end.
    for (TAlignment alignment : {taLeftJustify, taRightJustify, taCenter}) {
        TextLabel crlf(QStringLiteral("Ab\r\n\r\nB"), 60, 120), lf(QStringLiteral("Ab\n\nB"), 60, 120);
        for (TextLabel *label : {&crlf, &lf}) {
            label->SetAlignment(alignment);
            label->SetLayout(tlBottom);
        }
        EXPECT_EQ(Render(crlf), Render(lf)) << alignment;
    }
    // With ShowAccelChar "&&" stands for the '&' shown as typed without it.
    TextLabel accel(QStringLiteral("A&&B"), 60, 30), typed(QStringLiteral("A&B"), 60, 30);
    typed.SetShowAccelChar(false);
    EXPECT_EQ(Render(accel), Render(typed));
}

TEST(TLabel3D, CentredTextTallerThanTheLabelIsCutOnlyByTheLabel)
{
    const QString caption = QStringLiteral("1\n2\n3\n4\n5");
    TextLabel tall(caption, 40, 400);
    tall.SetBevel(blNone);
    const QImage top = Render(tall);
    tall.SetLayout(tlBottom);
    const int textHeight = 400 - (Box(Render(tall)).top() - Box(top).top());
    ASSERT_GT(textHeight, 60);

    TextLabel low(caption, 40, 30);
    low.SetBevel(blNone);
    low.SetLayout(tlCenter);
    EXPECT_EQ(Render(low), top.copy(0, -((30 - textHeight) / 2), 40, 30));
}

TEST(TLabel3D, LargeTextLooksAsQtDrawsIt)
{
    TextLabel label(QStringLiteral("Max. 57\r\n&Halle"), 400, 260, 100);
    label.SetBevel(blNone);
    label.SetAlignment(taCenter);
    const QImage image = Render(label);
    EXPECT_EQ(Render(label), image);
    QImage qt = Canvas(label.size());
    QPainter painter(&qt);
    painter.setFont(label.font());
    painter.setPen(QColor(Rgb(kInk)));
    painter.drawText(qt.rect(), Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                     QStringLiteral("Max. 57\n&Halle"));
    // Outlines differ a little from Qt's hinted ones; placement must not.
    int ink = 0, differing = 0;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            ink += qt.pixel(x, y) != kBack;
            differing += qt.pixel(x, y) != image.pixel(x, y);
        }
    EXPECT_GT(ink, 5000);
    EXPECT_LT(differing, ink / 100);
}

TEST(TLabel3D, LargeSmoothGlyphsKeepTheirPixelsInEveryColourAndAfterEachChange)
{
    // Smooth edges, so each colour's pixels depend on how the glyphs'
    // coverage is coloured; a shadow draws the same glyphs in another colour.
    const auto label = [](TColor ink) {
        auto made = std::make_unique<TextLabel>(QStringLiteral("Max. 57\r\nHalle"), 400, 260, 100);
        QFont smooth = made->font();
        smooth.setStyleStrategy(QFont::PreferDefault);
        made->setFont(smooth);
        made->SetBevel(blShadow);
        made->SetShadowSize(3);
        made->SetFontColor(ink);
        return made;
    };
    const QImage red = Render(*label(kInk));
    const QImage green = Render(*label(kLightInk));
    ASSERT_NE(red, green);

    auto changing = label(kInk);
    EXPECT_EQ(Render(*changing), red);
    changing->SetFontColor(kLightInk);
    EXPECT_EQ(Render(*changing), green);
    changing->SetCaption(QStringLiteral("Max. 58\r\nHalle"));
    EXPECT_NE(Render(*changing), green);
    changing->SetCaption(QStringLiteral("Max. 57\r\nHalle"));
    EXPECT_EQ(Render(*changing), green);
    changing->show();
    changing->hide();
    changing->SetFontColor(kInk);
    EXPECT_EQ(Render(*changing), red);
}

TEST(TLabel3D, RepaintsOnlyWhenAPropertyChanges)
{
    struct CountingLabel : TLabel3D {
        using TLabel3D::TLabel3D;
        int paints = 0;
        void paintEvent(QPaintEvent *event) override
        {
            ++paints;
            TLabel3D::paintEvent(event);
        }
    };
    QWidget window;
    CountingLabel label(&window);
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return label.paints > 0; }));
    auto paintsAfter = [&](auto set) {
        QApplication::processEvents();
        label.paints = 0;
        set();
        QApplication::processEvents();
        return label.paints;
    };
    EXPECT_EQ(paintsAfter([&] { label.SetBevel(blRaised); }), 0);
    EXPECT_EQ(paintsAfter([&] { label.SetShadowSize(1); }), 0);
    EXPECT_EQ(paintsAfter([&] { label.SetCaption(QString()); }), 0);
    EXPECT_EQ(paintsAfter([&] { label.SetBevel(blShadow); }), 1);
    EXPECT_EQ(paintsAfter([&] { label.SetShadowSize(2); }), 1);
    EXPECT_EQ(paintsAfter([&] { label.SetCaption(QStringLiteral("x")); }), 1);
    EXPECT_EQ(paintsAfter([&] { label.setFont(QFont(QStringLiteral("Liberation Sans"), 30)); }), 1);
}

} // namespace
