#pragma once

#include <QComboBox>

#include <functional>

// A drop-down list whose items are drawn by a handler, in the closed field
// and in the list alike. The handler gets a painter whose brush, pen and font
// are set up for the item: the selection colours when the item is selected.
class TOwnerDrawComboBox : public QComboBox {
    Q_OBJECT
public:
    using TDrawItemEvent =
        std::function<void(TOwnerDrawComboBox *control, int index, const QRect &rect, QPainter &canvas)>;

    explicit TOwnerDrawComboBox(QWidget *parent = nullptr);

    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);

    TDrawItemEvent OnDrawItem;

    // Prepares canvas for one item and calls OnDrawItem.
    void DrawItem(int index, const QRect &rect, bool selected, QPainter &canvas);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int itemHeight_ = 16;
};
