#pragma once

#include "widgets/PaintButtonFace.h"

#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>

class QShortcut;
class QTimer;

enum TLbColorStyle {
    lcsCustom,
    lcsGold,
    lcsChrome,
    lcsBlue,
    lcsRed,
    lcsUltraFlat1,
    lcsUltraFlat2,
    lcsUltraFlatXP,
    lcsAqua,
    lcsDefault,
    lcsQuicken
};

// A coloured push button without a background of its own: face, light,
// shadow, pressed and hot colours, hot tracking with an optional second font
// and a slow fade back from the hot colour, six face styles, a glyph strip,
// toolbar-style groups, an accelerator taken from the caption and an
// optional popup menu. It takes the keyboard focus only when given a focus
// policy: then it shows a dotted focus frame, and Space or Return clicks it.
class TLbSpeedButton : public QWidget {
    Q_OBJECT
public:
    explicit TLbSpeedButton(QWidget *parent = nullptr);
    ~TLbSpeedButton() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    // The colour of font(); the font itself is QWidget's.
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    QFont HotTrackFont() const { return hotTrackFont_; }
    void SetHotTrackFont(const QFont &font);
    TColor HotTrackFontColor() const { return hotTrackFontColor_; }
    void SetHotTrackFontColor(TColor color);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow);
    TColor ColorWhenDown() const { return colorWhenDown_; }
    void SetColorWhenDown(TColor color);
    bool Down() const { return down_; }
    void SetDown(bool down);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wrap);
    // A strip of equal-width images: normal, disabled, down, hot. Setting it
    // takes NumGlyphs from its proportions (width div height).
    QImage Glyph() const { return glyph_; }
    void SetGlyph(const QImage &glyph);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    TColor HotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor color);
    TLbSpeedButtonLayout Layout() const { return layout_; }
    void SetLayout(TLbSpeedButtonLayout layout);
    TColor LightColor() const { return lightColor_; }
    void SetLightColor(TColor color);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);
    TLbSpeedButtonStyle Style() const { return style_; }
    void SetStyle(TLbSpeedButtonStyle style);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool UseHotTrackFont() const { return useHotTrackFont_; }
    void SetUseHotTrackFont(bool use);
    // A preset of colours, flatness and style; it lives on in those
    // properties only, so this always reads lcsCustom.
    TLbColorStyle ColorStyle() const { return lcsCustom; }
    void SetColorStyle(TLbColorStyle style);
    bool SlowDecease() const { return slowDecease_; }
    void SetSlowDecease(bool slow);
    QMenu *PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu *menu);

    bool MouseInside() const { return mouseInside_; }
    // Weight of the hot colour in eighths: 8 on entering, counting down to 0
    // after leaving when SlowDecease is on.
    int FadeLevel() const { return fadeLevel_; }
    // True while fade steps are being paced.
    bool Fading() const;

    // The face as it would be painted now.
    ButtonFace Face() const;

    // Pops the popup menu, if any, below the button, then emits clicked().
    void click();
    // One step of the fade back to the normal colour.
    void FadeStep();

signals:
    void clicked();
    void MouseEnter();
    void MouseExit();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool Reachable() const;
    void Refresh();
    void StopFade();
    void UpdateAccelerator();
    void ClickByAccelerator();

    QString caption_;
    TColor color_ = clWindow;
    TColor fontColor_ = clBlack;
    QFont hotTrackFont_;
    TColor hotTrackFontColor_ = clBlack;
    TAlignment alignment_ = taLeftJustify;
    bool allowAllUp_ = false;
    TColor colorWhenDown_ = clNone;
    bool down_ = false;
    bool flat_ = false;
    bool wordWrap_ = false;
    QImage glyph_;
    int groupIndex_ = 0;
    TColor hotTrackColor_ = clNone;
    TLbSpeedButtonLayout layout_ = blGlyphLeft;
    TColor lightColor_ = clWhite;
    int numGlyphs_ = 0;
    TColor shadowColor_ = clBlack;
    TLbSpeedButtonStyle style_ = bsNormal;
    bool transparent_ = false;
    bool useHotTrackFont_ = false;
    bool slowDecease_ = false;
    QPointer<QMenu> popupMenu_;
    bool mouseInside_ = false;
    int fadeLevel_ = 0;
    // Paces the fade; exists while SlowDecease is on, runs only while fading.
    QTimer *fadeTimer_ = nullptr;
    // A left press began on the button; its release inside clicks.
    bool pressed_ = false;
    bool destroying_ = false;
    QList<QShortcut *> accelerators_;
};
