#pragma once

#include <QWidget>

// A filled rectangle or circle with a one-pixel black outline.
class TShape : public QWidget {
    Q_OBJECT
public:
    enum TShapeType { stRectangle, stCircle };

    TShape(TShapeType shape, const QColor &fill, QWidget *parent = nullptr);

    QColor BrushColor() const { return fill_; }
    void SetBrushColor(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TShapeType shape_;
    QColor fill_;
};
