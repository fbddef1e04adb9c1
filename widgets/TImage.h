#pragma once

#include <QLabel>

// A picture control that reports a click of the left mouse button.
class TImage : public QLabel {
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    void SetPicture(const QPixmap &picture);
    // The picture shown; null when none.
    QPixmap Picture() const;

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
