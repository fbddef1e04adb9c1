#include "dialogs/TFormInfo.h"

#include "desktop/WindowDecorations.h"
#include "dialogs/ApplicationTitle.h"
#include "dialogs/WindowPlacement.h"
#include "widgets/Artwork.h"
#include "widgets/PixelFont.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace {

QFont sansSerif(int pixels, bool bold = false)
{
    return PixelFont(QStringLiteral("MS Sans Serif"), pixels, bold);
}

// Both labels are sized to their text and keep their right edge, so that a
// longer text grows to the left.
constexpr int kTitleRight = 196;
constexpr int kVersionRight = 243;

void fitToRightEdge(QLabel *label, int right)
{
    label->adjustSize();
    label->move(right - label->width(), label->y());
}

} // namespace

TFormInfo::TFormInfo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Information"));
    setFixedSize(256, 401);
    setFont(sansSerif(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);
    setAutoFillBackground(true);

    Label1 = new QLabel(this);
    QFont titleFont = PixelFont(QStringLiteral("Arial"), 19, true);
    titleFont.setUnderline(true);
    Label1->setFont(titleFont);
    QPalette titlePal = Label1->palette();
    titlePal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label1->setPalette(titlePal);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label1->setGeometry(127, 68, 69, 22);

    LabelVer = new QLabel(QStringLiteral("Version 1.0 (30.05.2014)"), this);
    LabelVer->setFont(sansSerif(15));
    LabelVer->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelVer->setGeometry(104, 93, 139, 16);
    fitToRightEdge(LabelVer, kVersionRight);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(24, 60, 38, 38);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    ImageICON = new QLabel(Panel1);
    ImageICON->setGeometry(3, 3, 32, 32);

    sOK = new QToolButton(this);
    sOK->setText(QStringLiteral("Einverstanden"));
    sOK->setFont(sansSerif(15, true));
    sOK->setIcon(QIcon(Artwork(QStringLiteral("check_green"), QSize(17, 16))));
    sOK->setIconSize(QSize(17, 16));
    sOK->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sOK->setGeometry(56, 321, 145, 27);
    // Nothing here takes the focus, so every key reaches the window.
    sOK->setFocusPolicy(Qt::NoFocus);
    connect(sOK, &QToolButton::clicked, this, &TFormInfo::sOKClick);

    // Below the others, which keep their places.
    sDayChart = new QToolButton(this);
    sDayChart->setText(QStringLiteral("&Tagesverlauf …"));
    sDayChart->setToolTip(QStringLiteral("[F6] Der Tag im Tagesjournal, als Diagramm"));
    sDayChart->setFont(sansSerif(15, true));
    sDayChart->setGeometry(56, 357, 145, 27);
    // Reached by Tab, where Space opens the chart; every other key goes on
    // to the window.
    sDayChart->setFocusPolicy(Qt::TabFocus);
    connect(sDayChart, &QToolButton::clicked, this, [this] {
        // The chart is no dialog: this modal window must go first.
        close();
        emit DayChartRequested();
    });

    FormCreate();
}

void TFormInfo::FormCreate()
{
    Label1->setText(ApplicationTitle());
    fitToRightEdge(Label1, kTitleRight);
    ImageICON->setPixmap(QApplication::windowIcon().pixmap(32, 32));
}

void TFormInfo::sOKClick()
{
    close();
}

void TFormInfo::FormKeyPress(int key)
{
    if (key == Qt::Key_Escape)
        close();
}

void TFormInfo::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    KeepDialogUnminimised(this, event);
}

void TFormInfo::showEvent(QShowEvent *event)
{
    RequestDialogDecorations(this, false);
    QDialog::showEvent(event);
    CenterOverParent(this);
}

void TFormInfo::keyPressEvent(QKeyEvent *event)
{
    FormKeyPress(event->key());
}
