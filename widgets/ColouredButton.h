#pragma once

#include "widgets/TColor.h"

#include <QRect>
#include <QString>

class QWidget;
class TLbSpeedButton;

// The colours of one of the program's coloured buttons.
struct ColouredButtonLook {
    TColor Color;
    TColor ColorWhenDown;
    TColor HotTrackColor;
    TColor LightColor;
    TColor ShadowColor;
    TColor FontColor;
    int HotTrackFontPixels;
    TColor HotTrackFontColor;
};

// A coloured button as the program's windows all set theirs up: modern face,
// slow fade, centred caption in "Arial" 16 px bold, a bold hot-track font of
// the given size, hand cursor.
TLbSpeedButton *MakeColouredButton(QWidget *parent, const QRect &place, const QString &caption, const QString &hint,
                                   const ColouredButtonLook &look);
