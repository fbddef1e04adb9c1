#pragma once

#include <QComboBox>

// A drop-down list whose closed field shows the whole of the chosen entry,
// in a smaller font where the field is too narrow for it ("COM17 (fehlt)"),
// instead of cutting it off; the open list keeps the full font.
class FittingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit FittingComboBox(QWidget *parent = nullptr);

    // The font the closed field shows the chosen entry in.
    QFont FieldFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect FieldRect() const;
};
