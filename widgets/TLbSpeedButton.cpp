#include "widgets/TLbSpeedButton.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <array>

namespace {

// The fade takes one step about every 30 ms: 8 steps, a quarter second.
constexpr int kFadeIntervalMs = 30;

struct ColorPreset {
    TColor Color;
    TColor FontColor;
    TColor LightColor;
    TColor ShadowColor;
    TColor ColorWhenDown;
    TColor HotTrackColor;
    bool Flat;
    TLbSpeedButtonStyle Style;
};

// lcsGold … lcsQuicken, in the order of TLbColorStyle.
constexpr std::array<ColorPreset, 10> kPresets{{
    {0x00C0C0, 0, 0x00FFFF, 0x008080, clNone, 0x00DFDF, false, bsModern},
    {0xC0C0C0, 0, 0xFFFFFF, 0x808080, clNone, clNone, false, bsModern},
    {0xFF8000, 0, 0xFFFF00, 0xFF0000, clNone, clNone, false, bsModern},
    {0x0000FF, 0, 0xC0C0FF, 0x0000C0, clNone, clNone, false, bsModern},
    {clBtnFace, 0, 0xB59284, 0xB59284, 0xB59284, 0xDED3D6, true, bsNormal},
    {clBtnFace, 0, 0, 0, 0x24DABC, 0x8CF6E4, true, bsNormal},
    {0xD1D8DB, 0, 0xB59284, 0xB59285, 0xB59285, 0xD2BDB6, true, bsNormal},
    {0xECCE94, 0, 0xFCE6D4, 0, clNone, clNone, false, bsModern},
    {clBtnFace, 0, 0xFFFFFF, 0x808080, clNone, clNone, false, bsNormal},
    {0x603000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0xAD6529, 0xCEAE9C, false, bsQuicken},
}};

} // namespace

TLbSpeedButton::TLbSpeedButton(QWidget *parent) : QWidget(parent)
{
    resize(100, 23);
    setFocusPolicy(Qt::NoFocus);
    hotTrackFont_ = parent ? parent->window()->font() : font();
}

TLbSpeedButton::~TLbSpeedButton()
{
    destroying_ = true;
    StopFade();
}

void TLbSpeedButton::SetCaption(const QString &caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    UpdateAccelerator();
    update();
}

void TLbSpeedButton::SetColor(TColor color)
{
    color_ = color;
    update();
}

void TLbSpeedButton::SetFontColor(TColor color)
{
    fontColor_ = color;
    update();
}

void TLbSpeedButton::SetHotTrackFont(const QFont &font)
{
    hotTrackFont_ = font;
}

void TLbSpeedButton::SetHotTrackFontColor(TColor color)
{
    hotTrackFontColor_ = color;
}

void TLbSpeedButton::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    Refresh();
}

void TLbSpeedButton::SetAllowAllUp(bool allow)
{
    allowAllUp_ = allow;
}

void TLbSpeedButton::SetColorWhenDown(TColor color)
{
    colorWhenDown_ = color;
    Refresh();
}

void TLbSpeedButton::SetDown(bool down)
{
    if (down == down_)
        return;
    // The others in the group come up whichever way this one goes. Raising
    // them needs no cascade of its own, and none means no endless one when
    // two members are down at once (possible when GroupIndex is set late).
    if (groupIndex_ != 0 && parentWidget()) {
        const auto siblings = parentWidget()->findChildren<TLbSpeedButton *>(Qt::FindDirectChildrenOnly);
        for (TLbSpeedButton *sibling : siblings) {
            if (sibling != this && sibling->groupIndex_ == groupIndex_ && sibling->down_) {
                sibling->down_ = false;
                sibling->Refresh();
            }
        }
    }
    down_ = down;
    Refresh();
}

void TLbSpeedButton::SetFlat(bool flat)
{
    flat_ = flat;
    Refresh();
}

void TLbSpeedButton::SetWordWrap(bool wrap)
{
    wordWrap_ = wrap;
    Refresh();
}

void TLbSpeedButton::SetGlyph(const QImage &glyph)
{
    glyph_ = glyph;
    numGlyphs_ = glyph.height() > 0 ? glyph.width() / glyph.height() : 0;
    update();
}

void TLbSpeedButton::SetGroupIndex(int index)
{
    groupIndex_ = index;
    Refresh();
}

void TLbSpeedButton::SetHotTrackColor(TColor color)
{
    hotTrackColor_ = color;
}

void TLbSpeedButton::SetLayout(TLbSpeedButtonLayout layout)
{
    layout_ = layout;
    Refresh();
}

void TLbSpeedButton::SetLightColor(TColor color)
{
    lightColor_ = color;
    Refresh();
}

void TLbSpeedButton::SetNumGlyphs(int count)
{
    numGlyphs_ = count;
    update();
}

void TLbSpeedButton::SetShadowColor(TColor color)
{
    shadowColor_ = color;
    Refresh();
}

void TLbSpeedButton::SetStyle(TLbSpeedButtonStyle style)
{
    // The gradient turns into coarse stripes on a palette display.
    if (style == bsModern) {
        const QScreen *display = screen();
        if (display && display->depth() <= 8)
            style = bsNormal;
    }
    style_ = style;
    update();
}

void TLbSpeedButton::SetTransparent(bool transparent)
{
    transparent_ = transparent;
    if (transparent)
        update();
    else
        repaint();
}

void TLbSpeedButton::SetUseHotTrackFont(bool use)
{
    useHotTrackFont_ = use;
}

void TLbSpeedButton::SetColorStyle(TLbColorStyle style)
{
    if (style <= lcsCustom || style > lcsQuicken)
        return;
    const ColorPreset &preset = kPresets[style - 1];
    color_ = preset.Color;
    fontColor_ = preset.FontColor;
    lightColor_ = preset.LightColor;
    shadowColor_ = preset.ShadowColor;
    colorWhenDown_ = preset.ColorWhenDown;
    hotTrackColor_ = preset.HotTrackColor;
    flat_ = preset.Flat;
    // Straight in: a preset's style is what it is, whatever the display.
    style_ = preset.Style;
    repaint();
}

void TLbSpeedButton::SetSlowDecease(bool slow)
{
    slowDecease_ = slow;
    if (slow && !fadeTimer_) {
        fadeTimer_ = new QTimer(this);
        fadeTimer_->setInterval(kFadeIntervalMs);
        connect(fadeTimer_, &QTimer::timeout, this, &TLbSpeedButton::FadeStep);
    } else if (!slow && fadeTimer_) {
        StopFade();
    }
    update();
}

void TLbSpeedButton::SetPopupMenu(QMenu *menu)
{
    popupMenu_ = menu;
    update();
}

bool TLbSpeedButton::Fading() const
{
    return fadeTimer_ && fadeTimer_->isActive();
}

ButtonFace TLbSpeedButton::Face() const
{
    const bool hotFont = mouseInside_ && useHotTrackFont_;
    ButtonFace face;
    face.Width = width();
    face.Height = height();
    face.Alignment = alignment_;
    face.Caption = caption_;
    face.Layout = layout_;
    face.Font = hotFont ? hotTrackFont_ : font();
    face.FontColor = hotFont ? hotTrackFontColor_ : fontColor_;
    face.ShadowColor = shadowColor_;
    face.LightColor = lightColor_;
    face.HotTrackColor = hotTrackColor_;
    face.ColorWhenDown = colorWhenDown_;
    face.Color = color_;
    face.Style = style_;
    face.HasPopupMenu = !popupMenu_.isNull();
    face.WordWrap = wordWrap_;
    face.Flat = flat_;
    face.Enabled = isEnabled();
    face.Transparent = transparent_;
    face.MouseInside = mouseInside_;
    face.Down = down_;
    face.Glyph = glyph_;
    face.NumGlyphs = numGlyphs_;
    face.FadeLevel = fadeLevel_;
    return face;
}

void TLbSpeedButton::click()
{
    if (popupMenu_)
        popupMenu_->popup(mapToGlobal(QPoint(0, height())));
    emit clicked();
}

void TLbSpeedButton::FadeStep()
{
    // A step still pending while the button goes away must not touch it.
    if (destroying_)
        return;
    --fadeLevel_;
    if (fadeLevel_ <= 0) {
        if (fadeTimer_)
            fadeTimer_->stop();
        fadeLevel_ = 0;
    }
    Refresh();
}

void TLbSpeedButton::paintEvent(QPaintEvent *)
{
    // Painted off-screen and copied in one go, so the face never flickers;
    // what the face leaves transparent shows the parent.
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter canvas(&image);
        PaintButtonFace(canvas, Face());
        if (hasFocus()) {
            // Dotted inside the frame, in the caption's colour, which
            // stands out from the face.
            canvas.setPen(QPen(ToQColor(fontColor_), 1, Qt::DotLine));
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRect(rect().adjusted(4, 4, -5, -5));
        }
    }
    QPainter(this).drawImage(0, 0, image);
}

void TLbSpeedButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (event->modifiers() & ~Qt::KeypadModifier
        || (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    ClickByAccelerator();
}

void TLbSpeedButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TLbSpeedButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void TLbSpeedButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (!Reachable())
        return;
    mouseInside_ = true;
    fadeLevel_ = 8;
    // The face stays fully hot while the pointer is over it; a fade that was
    // still running starts again from 8 on the next leave.
    if (fadeTimer_)
        fadeTimer_->stop();
    Refresh();
    emit MouseEnter();
}

void TLbSpeedButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    mouseInside_ = false;
    if (slowDecease_) {
        if (fadeTimer_ && !fadeTimer_->isActive())
            fadeTimer_->start();
    } else {
        fadeLevel_ = 0;
        Refresh();
    }
    if (Reachable())
        emit MouseExit();
}

void TLbSpeedButton::mousePressEvent(QMouseEvent *event)
{
    // The second press of a double-click arrives as a double-click event,
    // which QWidget hands on to here: a double-click gives two clicks.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    if (groupIndex_ == 0)
        SetDown(true);
    else if (!down_)
        SetDown(true);
    else if (allowAllUp_)
        SetDown(false);
}

void TLbSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (rect().contains(event->position().toPoint())) {
            // The handler may well close and delete the window holding us.
            const QPointer<TLbSpeedButton> alive(this);
            click();
            if (!alive)
                return;
        }
    }
    // Still down while the click runs; grouped buttons stay down.
    if (groupIndex_ == 0)
        SetDown(false);
}

void TLbSpeedButton::contextMenuEvent(QContextMenuEvent *event)
{
    if (!popupMenu_) {
        event->ignore();
        return;
    }
    popupMenu_->popup(event->globalPos());
}

bool TLbSpeedButton::Reachable() const
{
    return isEnabled() && isVisible() && parentWidget() && parentWidget()->isVisible();
}

void TLbSpeedButton::Refresh()
{
    // A transparent face needs the parent painted beneath it first, which
    // only the next paint pass does; an opaque one is brought up to date now.
    if (transparent_)
        update();
    else
        repaint();
}

void TLbSpeedButton::StopFade()
{
    fadeLevel_ = 0;
    delete fadeTimer_;
    fadeTimer_ = nullptr;
}

void TLbSpeedButton::UpdateAccelerator()
{
    qDeleteAll(accelerators_);
    accelerators_.clear();
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption_);
    if (mnemonic.isEmpty())
        return;
    // The letter counts whatever its case, so Alt+Shift+letter answers too.
    const QKeyCombination alt = mnemonic[0];
    for (const QKeyCombination key : {alt, alt.keyboardModifiers() | Qt::ShiftModifier | alt.key()}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &TLbSpeedButton::ClickByAccelerator);
        accelerators_.append(shortcut);
    }
}

void TLbSpeedButton::ClickByAccelerator()
{
    if (!Reachable())
        return;
    // Shown pressed while the click runs, as if it had been clicked.
    const bool wasDown = down_;
    down_ = true;
    repaint();
    const QPointer<TLbSpeedButton> alive(this);
    click();
    if (!alive)
        return;
    down_ = wasDown;
    repaint();
}
