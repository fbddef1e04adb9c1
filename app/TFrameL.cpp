#include "app/TFrameL.h"

#include "widgets/Artwork.h"
#include "widgets/PixelFont.h"
#include "widgets/TImage.h"
#include "widgets/TShape.h"

#include <QLabel>

namespace {

const QColor kGrey(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

TShape *makeShape(QWidget *parent, TShape::TShapeType type, const QColor &fill, const QRect &place)
{
    auto *shape = new TShape(type, fill, parent);
    shape->setGeometry(place);
    return shape;
}

} // namespace

TFrameL::TFrameL(QWidget *parent) : QWidget(parent)
{
    resize(116, 25);
    Image_01 = new TImage(this);
    Image_01->setGeometry(28, 4, 40, 20);
    Image_01->setScaledContents(false);
    Image_01->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image_01->SetPicture(Artwork(QStringLiteral("contact_open"), QSize(39, 19)));
    Image_01->hide();
    Shape_10 = makeShape(this, TShape::stRectangle, kGrey, QRect(1, 4, 28, 7));
    Shape_11 = makeShape(this, TShape::stRectangle, kGrey, QRect(70, 4, 28, 7));
    Shape_01 = makeShape(this, TShape::stRectangle, kRed, QRect(33, 4, 35, 7));
    Shape_01->hide();
    Shape_04 = makeShape(this, TShape::stCircle, kSilver, QRect(25, 1, 13, 13));
    Shape_05 = makeShape(this, TShape::stCircle, kSilver, QRect(61, 1, 13, 13));
    // Under the right lead, inside the part the main window shows, covering
    // nothing of the switch. Not colour alone: it carries an exclamation mark.
    Warning = new QLabel(QStringLiteral("!"), this);
    Warning->setGeometry(82, 11, 14, 14);
    Warning->setFont(PixelFont(QStringLiteral("Arial"), 12));
    Warning->setAlignment(Qt::AlignCenter);
    Warning->setStyleSheet(QStringLiteral("background: rgb(220, 0, 0); color: white; font-weight: bold; "
                                          "border-radius: 7px;"));
    Warning->hide();
}

void TFrameL::SetWarning(const QString &text)
{
    Warning->setVisible(!text.isEmpty());
    setToolTip(text);
}

void TFrameL::SetState(int state)
{
    Shape_01->setVisible(state == Closed);
    Image_01->setVisible(state == Open);
    const QColor points = state < NoReading ? kYellow : kSilver;
    Shape_04->SetBrushColor(points);
    Shape_05->SetBrushColor(points);
}
