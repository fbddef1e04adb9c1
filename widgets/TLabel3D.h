#pragma once

#include "widgets/TAlignment.h"
#include "widgets/TColor.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class QPainter;

// Ordinals are what a form stores; keep their order.
enum TLabel3DBevel { blNone, blLowered, blRaised, blShadow };
enum TLabel3DBorderStyle { lbNone, lbNormal, lbLowered, lbRaised, lbInn, lbOut };
enum TGradientOrientation { goHorizontal, goVertical, goHorizontal2, goVertical2 };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A windowless text label whose caption can be bevelled or shadowed, with
// shadow copies in up to eight directions, a gradient background and frames.
class TLabel3D : public QWidget {
    Q_OBJECT
public:
    explicit TLabel3D(QWidget *parent = nullptr);
    ~TLabel3D() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor colour);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    TColor Color() const { return color_; }
    void SetColor(TColor colour);

    TColor HighLightColor() const { return highLightColor_; }
    void SetHighLightColor(TColor colour);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor colour);
    TLabel3DBevel Bevel() const { return bevel_; }
    void SetBevel(TLabel3DBevel bevel);
    std::uint8_t ShadowSize() const { return shadowSize_; }
    void SetShadowSize(std::uint8_t size);
    TColor FirstColor() const { return firstColor_; }
    void SetFirstColor(TColor colour);
    TColor LastColor() const { return lastColor_; }
    void SetLastColor(TColor colour);
    bool FillGradient() const { return fillGradient_; }
    void SetFillGradient(bool fill);
    TGradientOrientation GradientOrientation() const { return gradientOrientation_; }
    void SetGradientOrientation(TGradientOrientation orientation);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor colour);
    std::int32_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(std::int32_t width);
    TLabel3DBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TLabel3DBorderStyle style);
    std::int32_t ShadowNapr() const { return shadowNapr_; }
    void SetShadowNapr(std::int32_t directions);

    // Paints the whole label as paintEvent does, onto any painter whose
    // origin is the label's top-left corner.
    void Paint(QPainter &painter);

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    class GlyphCache;
    class LabelText;

    template <typename T> void assign(T &field, T value);
    void DrawLabelText(QPainter &painter, QRect &rect, int flags, bool calcOnly);
    void DrawBeveledText(QPainter &painter, TColor first, TColor second, QRect &rect, int flags,
                         const QString &text, bool calcOnly);

    QString caption_;
    TColor fontColor_ = clBlack;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    TColor color_ = clBtnFace;

    TColor highLightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    TLabel3DBevel bevel_ = blRaised;
    std::uint8_t shadowSize_ = 1;
    TColor firstColor_ = clWhite;
    TColor lastColor_ = clTeal;
    bool fillGradient_ = false;
    TGradientOrientation gradientOrientation_ = goHorizontal;
    TColor borderColor_ = clBlack;
    std::int32_t borderWidth_ = 1;
    TLabel3DBorderStyle borderStyle_ = lbNone;
    std::int32_t shadowNapr_ = 1;

    std::unique_ptr<GlyphCache> glyphs_;
};

// Fills rect with one-pixel stripes running from first to last colour.
void FillLabelGradient(QPainter &painter, const QRect &rect, TColor first, TColor last,
                       TGradientOrientation orientation);
