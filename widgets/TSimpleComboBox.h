#pragma once

#include <QComboBox>

// A combo box in the simple style: an edit field with its list always open
// below it. At the height of one line only the field shows, without the
// drop-down arrow.
class TSimpleComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TSimpleComboBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};
