#pragma once

#include <QWidget>

class QLabel;
class TImage;
class TShape;

// The light-barrier indicator: a switch symbol showing whether a barrier's
// contact is open, closed, or not read at all.
class TFrameL : public QWidget {
    Q_OBJECT
public:
    enum State { Open = 0, Closed = 1, NoReading = 2 };

    explicit TFrameL(QWidget *parent = nullptr);

    // Children in painting order: later ones are drawn over earlier ones.
    TImage *Image_01; // the open contact, a tilted bar
    TShape *Shape_10; // left lead
    TShape *Shape_11; // right lead
    TShape *Shape_01; // the closed contact, a red bar
    TShape *Shape_04; // left contact point
    TShape *Shape_05; // right contact point
    QLabel *Warning;  // the red mark of a barrier or port in trouble

    // 0 = contact open (line off), 1 = closed (line on), 2 = no reading.
    void SetState(int state);
    // Shows the red mark with text as its tooltip; an empty text removes both.
    void SetWarning(const QString &text);
};
