#include "widgets/ColouredButton.h"

#include "widgets/PixelFont.h"
#include "widgets/TLbSpeedButton.h"

TLbSpeedButton *MakeColouredButton(QWidget *parent, const QRect &place, const QString &caption, const QString &hint,
                                   const ColouredButtonLook &look)
{
    auto *button = new TLbSpeedButton(parent);
    button->setGeometry(place);
    button->SetCaption(caption);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->SetStyle(bsModern);
    button->SetSlowDecease(true);
    button->SetUseHotTrackFont(true);
    button->SetAlignment(taCenter);
    button->SetColor(look.Color);
    button->SetColorWhenDown(look.ColorWhenDown);
    button->SetHotTrackColor(look.HotTrackColor);
    button->SetLightColor(look.LightColor);
    button->SetShadowColor(look.ShadowColor);
    button->setFont(PixelFont(QStringLiteral("Arial"), 16, true));
    button->SetFontColor(look.FontColor);
    button->SetHotTrackFont(PixelFont(QStringLiteral("Arial"), look.HotTrackFontPixels, true));
    button->SetHotTrackFontColor(look.HotTrackFontColor);
    return button;
}
