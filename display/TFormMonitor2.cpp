#include "display/TFormMonitor2.h"

#include "app/CounterState.h"
#include "display/Monitors.h"
#include "widgets/Artwork.h"

#include <QCloseEvent>
#include <QLabel>

namespace {

QLabel *makeCaption(QWidget *parent, const QString &text, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(43);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

} // namespace

TFormMonitor2::TFormMonitor2(CounterState &state, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), state_(state)
{
    setWindowTitle(QStringLiteral("Pontra 1.0"));
    resize(427, 280);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    ImageStop = new QLabel(this);
    ImageStop->setAlignment(Qt::AlignCenter);
    ImageStop->hide();
    Label3D1 = makeCaption(this, QStringLiteral("Herzlich Willkommen!"), QColor(0, 128, 0));
    LabelMax = makeCaption(this, QStringLiteral("Max"), QColor(255, 255, 0));

    FormCreate();
}

void TFormMonitor2::FormCreate()
{
    // Both captions fill the client area; see resizeEvent.
    Label3D1->setGeometry(rect());
    LabelMax->setGeometry(rect());
}

void TFormMonitor2::SetTVSwitch(QWidget *imageTVAus, QWidget *imageTVEin)
{
    imageTVAus_ = imageTVAus;
    imageTVEin_ = imageTVEin;
}

void TFormMonitor2::UpdateDisplay()
{
    const bool full = state_.VisitorCount >= state_.MaxCounter;
    ImageStop->setVisible(full);
    Label3D1->setVisible(!full);
    LabelMax->setVisible(full);
    LabelMax->setText(QStringLiteral("\r\n\r\n\r\nMax. ") + QString::number(state_.MaxCounter));
    Label3D1->setText(QStringLiteral("Herzlich Willkommen!\r\n\r\nSie sind der ")
                      + QString::number(static_cast<qint64>(state_.VisitorCount) + 1) + QStringLiteral(".\r\n")
                      + QStringLiteral("Besucher von ") + QString::number(state_.MaxCounter)
                      + QStringLiteral(" in der Halle."));
}

void TFormMonitor2::setVisible(bool visible)
{
    // Placement and font size are worked out before the window appears.
    if (visible && !isVisible())
        FormShow();
    QWidget::setVisible(visible);
}

void TFormMonitor2::FormShow()
{
    ShowTVSwitch(true);
    setGeometry(MonitorRect(state_.MonitorIndex));
    UpdateDisplay();
    QFont font = Label3D1->font();
    font.setPointSize(height() / 10);
    Label3D1->setFont(font);
    QFont maxFont = LabelMax->font();
    maxFont.setPointSize(Label3D1->font().pointSize());
    LabelMax->setFont(maxFont);
}

void TFormMonitor2::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TFormMonitor2::FormClose()
{
    ShowTVSwitch(false);
}

void TFormMonitor2::ShowTVSwitch(bool displayOpen)
{
    if (!imageTVAus_ || !imageTVEin_)
        return;
    imageTVAus_->setVisible(!displayOpen);
    imageTVEin_->setVisible(imageTVAus_->isHidden());
}

void TFormMonitor2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Label3D1->setGeometry(rect());
    LabelMax->setGeometry(rect());
    LayoutStopPicture();
}

void TFormMonitor2::LayoutStopPicture()
{
    // The stop sign keeps its aspect ratio, as large as fits, centred.
    ImageStop->setGeometry(rect());
    QSize size(232, 230);
    size.scale(rect().size(), Qt::KeepAspectRatio);
    ImageStop->setPixmap(Artwork(QStringLiteral("stop_sign"), size));
}
