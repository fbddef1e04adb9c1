#include "dialogs/TForm2.h"

#include "widgets/Artwork.h"
#include "widgets/TImage.h"

#include <QLabel>
#include <QPushButton>

TForm2::TForm2(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(420, 288);
    auto *note = new QLabel(QStringLiteral("Die Einstellungen folgen in einer späteren Version."), this);
    note->setGeometry(10, 10, 400, 30);
    auto picture = [this](const QRect &place) {
        auto *image = new TImage(this);
        image->setGeometry(place);
        image->setScaledContents(false);
        return image;
    };
    Image1 = picture(QRect(360, 40, 51, 25));
    Image2 = picture(QRect(360, 72, 51, 25));
    ImageOn = picture(QRect(0, 0, 51, 26));
    ImageOff = picture(QRect(0, 0, 51, 26));
    ImageOn->SetPicture(Artwork(QStringLiteral("switch_on"), QSize(51, 26)));
    ImageOff->SetPicture(Artwork(QStringLiteral("switch_off"), QSize(51, 26)));
    ImageOn->hide();
    ImageOff->hide();

    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(312, 247, 98, 33);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TForm2::FormShow()
{
    ResultValue = 2;
}
