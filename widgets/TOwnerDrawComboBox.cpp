#include "widgets/TOwnerDrawComboBox.h"

#include <QAbstractItemDelegate>
#include <QPainter>
#include <QStylePainter>

namespace {

// Hands the list's items to the combo box's own drawing.
class OwnerDrawDelegate : public QAbstractItemDelegate {
public:
    explicit OwnerDrawDelegate(TOwnerDrawComboBox *combo) : QAbstractItemDelegate(combo), combo_(combo) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        combo_->DrawItem(index.row(), option.rect, option.state & QStyle::State_Selected, *painter);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return {option.rect.width(), combo_->ItemHeight()};
    }

private:
    TOwnerDrawComboBox *combo_;
};

} // namespace

TOwnerDrawComboBox::TOwnerDrawComboBox(QWidget *parent) : QComboBox(parent)
{
    setItemDelegate(new OwnerDrawDelegate(this));
}

void TOwnerDrawComboBox::SetItemHeight(int height)
{
    itemHeight_ = height;
    update();
}

void TOwnerDrawComboBox::DrawItem(int index, const QRect &rect, bool selected, QPainter &canvas)
{
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Normal : QPalette::Disabled;
    canvas.setFont(font());
    canvas.setBrush(palette().brush(group, selected ? QPalette::Highlight : QPalette::Base));
    canvas.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    canvas.setClipRect(rect);
    if (OnDrawItem)
        OnDrawItem(this, index, rect, canvas);
}

void TOwnerDrawComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // The closed field shows the current item, selected while it has the focus.
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0)
        DrawItem(currentIndex(), field, hasFocus(), painter);
}
