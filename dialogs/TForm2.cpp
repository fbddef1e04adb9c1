#include "dialogs/TForm2.h"

#include "desktop/WindowDecorations.h"
#include "dialogs/WindowPlacement.h"
#include "display/Monitors.h"
#include "hall/CounterState.h"
#include "serial/SerialDevice.h"
#include "serial/SerialDeviceName.h"
#include "serial/TComPort.h"
#include "widgets/Artwork.h"
#include "widgets/ColouredButton.h"
#include "widgets/FittingComboBox.h"
#include "widgets/PixelFont.h"
#include "widgets/TImage.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TOwnerDrawComboBox.h"
#include "widgets/TSimpleComboBox.h"
#include "widgets/TSpinEdit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace {

QFont arial19()
{
    return PixelFont(QStringLiteral("Arial"), 19);
}

void setColour(QWidget *control, QPalette::ColorRole role, const QColor &colour)
{
    QPalette pal = control->palette();
    pal.setColor(role, colour);
    control->setPalette(pal);
}

// A label that takes the size of its text, at its left and top.
QLabel *makeLabel(QWidget *parent, const QString &text, QPoint place, Qt::Alignment alignment = Qt::AlignLeft,
                  const QFont &font = arial19())
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignTop);
    label->adjustSize();
    label->move(place);
    return label;
}

QComboBox *makeList(QWidget *parent, const QRect &place, const QFont &font = arial19())
{
    // A marked entry ("COM17 (fehlt)") is wider than the closed list.
    auto *list = new FittingComboBox(parent);
    list->setGeometry(place);
    list->setFont(font);
    return list;
}

// The pins of one contact, shown for the installer; never changed.
QComboBox *makePinsField(QWidget *parent, const QRect &place, int shown)
{
    auto *field = new TSimpleComboBox(parent);
    field->setGeometry(place);
    field->setFont(arial19());
    field->addItems({QStringLiteral("4+6"), QStringLiteral("7+8")});
    field->setCurrentIndex(shown);
    field->setToolTip(QStringLiteral("4+6, 7+8"));
    QPalette pal = field->palette();
    pal.setColor(QPalette::Base, QColor(0xFE, 0xF2, 0xEB));
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(0xFE, 0xF2, 0xEB));
    field->setPalette(pal);
    field->setEnabled(false);
    return field;
}

TOwnerDrawComboBox *makeLevelList(QWidget *parent, const QRect &place)
{
    auto *list = new TOwnerDrawComboBox(parent);
    list->setGeometry(place);
    list->setFont(arial19());
    list->SetItemHeight(22);
    list->addItems({QStringLiteral("Off"), QStringLiteral("On")});
    list->setToolTip(QStringLiteral("Ein/Aus; PNP, NPN"));
    return list;
}

// A quieter blue than Save and Cancel: it only opens another dialog.
ColouredButtonLook AdvancedButtonLook()
{
    return {RGBColor(0x1E, 0x5A, 0x96), RGBColor(0x23, 0x69, 0xAF), RGBColor(0x3C, 0x8C, 0xDC),
            RGBColor(0x0A, 0x1E, 0x32), RGBColor(0x14, 0x3C, 0x64), clWhite, 16, clWhite};
}

TImage *makePicture(QWidget *parent, const QRect &place)
{
    auto *image = new TImage(parent);
    image->setGeometry(place);
    image->setAlignment(Qt::AlignCenter);
    return image;
}

} // namespace

TForm2::TForm2(CounterState &state, TComPort &comPort, QWidget *parent, int missingPort)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      state_(state), comPort_(comPort)
{
    setWindowTitle(QStringLiteral("Einstellungen"));
    setFixedSize(420, 288);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    CreateControls();
    FormCreate(missingPort);
}

void TForm2::CreateControls()
{
    lbl_Port = makeLabel(this, QStringLiteral("USB-/COM-Port:"), {7, 11});
    cbPort = makeList(this, QRect(151, 8, 90, 30));
    setColour(cbPort, QPalette::Base, Qt::white);
    connect(cbPort, &QComboBox::activated, this, &TForm2::cbPortChange);
    lbl_Event = makeLabel(this, QStringLiteral("Event at:"), {254, 12});
    lbl_Now = makeLabel(this, QStringLiteral("Now:"), {366, 12});

    lbl_Laps = makeLabel(this, QStringLiteral("In:"), {127, 43}, Qt::AlignRight);
    setColour(lbl_Laps, QPalette::WindowText, ToQColor(clGreen));
    lbl_Laps->setToolTip(QStringLiteral("Rounds"));
    lbl_Stop = makeLabel(this, QStringLiteral("Out:"), {113, 75}, Qt::AlignRight);
    setColour(lbl_Stop, QPalette::WindowText, ToQColor(clRed));
    Label1 = makeLabel(this, QStringLiteral("Pins:"), {66, 59}, Qt::AlignRight);
    cbCont1 = makePinsField(this, QRect(152, 40, 88, 30), 0);
    cbCont2 = makePinsField(this, QRect(152, 72, 88, 30), 1);

    cbAlg1 = makeLevelList(this, QRect(252, 40, 105, 28));
    cbAlg2 = makeLevelList(this, QRect(252, 72, 105, 28));
    for (TOwnerDrawComboBox *list : {cbAlg1, cbAlg2}) {
        list->OnDrawItem = [this](TOwnerDrawComboBox *control, int index, const QRect &rect, QPainter &canvas) {
            cbAlg1DrawItem(control, index, rect, canvas);
        };
    }
    Image1 = makePicture(this, QRect(360, 40, 51, 25));
    Image2 = makePicture(this, QRect(360, 72, 51, 25));
    ImageOff = makePicture(this, QRect(0, 0, 51, 26));
    ImageOn = makePicture(this, QRect(0, 0, 51, 26));
    ImageOff->SetPicture(Artwork(QStringLiteral("switch_off"), QSize(51, 26)));
    ImageOn->SetPicture(Artwork(QStringLiteral("switch_on"), QSize(51, 26)));
    ImageOff->hide();
    ImageOn->hide();

    Label3 = makeLabel(this, QStringLiteral("Max.:"), {103, 108}, Qt::AlignRight);
    seCounter = new TSpinEdit(this);
    seCounter->setGeometry(152, 104, 89, 32);
    seCounter->setFont(arial19());
    // Halls larger than 999 exist; the count shows five digits.
    seCounter->SetMinValue(1);
    seCounter->SetMaxValue(99999);
    seCounter->SetMaxLength(5);
    seCounter->SetValue(300);
    seCounter->setToolTip(QStringLiteral("Cont Rounds"));
    QPalette counterPal = seCounter->palette();
    counterPal.setColor(QPalette::Base, Qt::black);
    counterPal.setColor(QPalette::Text, Qt::red);
    seCounter->setPalette(counterPal);

    const QFont monitorFont = PixelFont(QStringLiteral("MS Sans Serif"), 19);
    LabMonitor = makeLabel(this, QStringLiteral("TV/Monitor:"), {49, 142}, Qt::AlignRight, monitorFont);
    cbMonitor = makeList(this, QRect(152, 140, 204, 32), monitorFont);
    cbMonitor->setEnabled(false);
    connect(cbMonitor, &QComboBox::activated, this, [this] { monitorPicked_ = true; });

    btn_Save = MakeColouredButton(this, QRect(312, 187, 98, 33), QStringLiteral("&Save"), {},
                                  {RGBColor(0, 0x9B, 0), RGBColor(0, 0xB9, 0), RGBColor(0, 0xEC, 0),
                                   RGBColor(0, 0x37, 0), clGreen, clWhite, 19, clWhite});
    btn_Save->SetGlyph(Artwork(QStringLiteral("check_green"), QSize(18, 16)).toImage());
    btn_Cansel = MakeColouredButton(this, QRect(312, 247, 98, 33), QStringLiteral("Cancel"), {},
                                    {RGBColor(0xCE, 0, 0), RGBColor(0xCC, 0, 0), RGBColor(0xFF, 0, 0),
                                     RGBColor(0x2F, 0, 0), RGBColor(0x71, 0, 0), clWhite, 16, clYellow});
    btn_Cansel->SetGlyph(Artwork(QStringLiteral("cross_red"), QSize(16, 16)).toImage());
    connect(btn_Save, &TLbSpeedButton::clicked, this, &TForm2::btn_SaveClick);
    connect(btn_Cansel, &TLbSpeedButton::clicked, this, &TForm2::btn_CanselClick);
    // In the free corner, so that every other control keeps its place.
    btn_Advanced = MakeColouredButton(this, QRect(8, 247, 122, 33), QStringLiteral("&Erweitert …"),
                                      QStringLiteral("Tagesjournal und weitere Einstellungen"), AdvancedButtonLook());
    connect(btn_Advanced, &TLbSpeedButton::clicked, this, &TForm2::AdvancedRequested);
    // Unlike Save and Cancel, reached by Tab too, after the fields.
    btn_Advanced->setFocusPolicy(Qt::StrongFocus);

    const QList<QWidget *> tabOrder{cbPort, cbCont1, cbCont2, cbAlg1, cbAlg2, seCounter, cbMonitor, btn_Advanced};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TForm2::FormCreate(int missingPort)
{
    // The ports found at start; one plugged in later is offered at the next start.
    cbPort->addItem(QStringLiteral("None"), 0);
    for (int port = 1; port <= 255; ++port) {
        const bool found = port <= 64 && (state_.AvailablePorts & (std::uint64_t{1} << (port - 1)));
        if (!found && port != missingPort)
            continue;
        cbPort->addItem(found ? QStringLiteral("COM%1").arg(port) : QStringLiteral("COM%1 (fehlt)").arg(port), port);
        // The installer sees which adapter a number stands for.
        QString tip = QString::fromStdString(SerialDeviceName(port));
        if (!found) {
            const QString missing = QStringLiteral("beim Start nicht gefunden oder belegt");
            tip = tip.isEmpty() ? missing : tip + QStringLiteral(": ") + missing;
        }
        if (!tip.isEmpty())
            cbPort->setItemData(cbPort->count() - 1, tip, Qt::ToolTipRole);
    }
    cbPort->setEnabled(cbPort->count() > 1);
    // The marked entry is wider than the closed list.
    cbPort->view()->setMinimumWidth(cbPort->view()->sizeHintForColumn(0) + 2 * cbPort->view()->frameWidth());
}

void TForm2::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    KeepDialogUnminimised(this, event);
}

void TForm2::showEvent(QShowEvent *event)
{
    RequestDialogDecorations(this, true);
    FormShow();
    QDialog::showEvent(event);
    CenterOnParentsMonitor(this);
}

void TForm2::FormShow()
{
    cbMonitor->clear();
    monitorPicked_ = false;
    const QList<QRect> monitors = MonitorRects();
    if (monitors.size() < 2) {
        cbMonitor->addItem(QStringLiteral("not connected"));
        cbMonitor->setCurrentIndex(0);
    } else {
        for (qsizetype index = 0; index < monitors.size(); ++index) {
            const QSize size = monitors[index].size();
            cbMonitor->addItem(QString::asprintf("%d=(%d,%d)", int(index) + 1, size.width(), size.height()));
        }
        // Without a choice, the monitor the display takes by itself.
        const QWidget *operatorWindow = parentWidget() ? parentWidget()->window() : nullptr;
        const QPoint operatorCentre = operatorWindow ? operatorWindow->frameGeometry().center() : QPoint();
        const int shown = state_.MonitorChosen ? state_.MonitorIndex
                                               : DisplayMonitorIndex(monitors, std::nullopt, operatorCentre);
        if (shown < monitors.size()) {
            cbMonitor->setCurrentIndex(std::max(shown, 0));
        } else {
            // A stored monitor that is gone is kept unless another is picked.
            cbMonitor->addItem(QStringLiteral("%1=(fehlt)").arg(shown + 1));
            cbMonitor->setCurrentIndex(cbMonitor->count() - 1);
        }
        cbMonitor->setEnabled(true);
    }

    ResultValue = 2;

    const int port = cbPort->findData(int(comPort_.Port));
    cbPort->setCurrentIndex(port >= 0 ? port : 0);
    cbPortTip();

    cbAlg1->setCurrentIndex(state_.ContaktIn ? 1 : 0);
    cbAlg2->setCurrentIndex(state_.ContaktOut ? 1 : 0);
    seCounter->SetValue(state_.MaxCounter);

    const std::uint32_t status = comPort_.ModemStatus();
    Image1->SetPicture((status & SerialDevice::MsDsrOn) ? ImageOn->Picture() : ImageOff->Picture());
    Image2->SetPicture((status & SerialDevice::MsCtsOn) ? ImageOn->Picture() : ImageOff->Picture());
    Image1->setVisible(comPort_.Connected());
    Image2->setVisible(comPort_.Connected());
}

int TForm2::ChosenPort() const
{
    return cbPort->currentData().toInt();
}

std::optional<int> TForm2::EditedCapacity() const
{
    if (!seCounter->Modified())
        return std::nullopt;
    return seCounter->Value();
}

std::optional<int> TForm2::EditedMonitor() const
{
    // The marked entry of a monitor that is gone stands for the stored value.
    if (!monitorPicked_ || cbMonitor->currentIndex() < 0 || cbMonitor->currentIndex() >= MonitorCount())
        return std::nullopt;
    return cbMonitor->currentIndex();
}

void TForm2::cbPortChange()
{
    // The pictures go on showing the port that is open now.
    const bool portChosen = cbPort->currentIndex() > 0;
    Image1->setVisible(portChosen);
    Image2->setVisible(portChosen);
    cbPortTip();
}

void TForm2::cbPortTip()
{
    cbPort->setToolTip(cbPort->currentData(Qt::ToolTipRole).toString());
}

void TForm2::cbAlg1DrawItem(TOwnerDrawComboBox *control, int index, const QRect &rect, QPainter &canvas)
{
    canvas.fillRect(rect, canvas.brush());
    const QString text = control->itemText(index);
    canvas.drawText(QRect(rect.left() + 1, rect.top() + 1, rect.width(), rect.height()),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    // 30 pixels in. The closed field is narrowed by the drop-down button,
    // by how much depends on the style: there the picture moves left as far
    // as the text allows, and only where even that is too little does it
    // shrink, so that it is never cut.
    QPixmap picture = (index == 0 ? ImageOff : ImageOn)->Picture();
    const int textEnd = rect.left() + 1 + canvas.fontMetrics().horizontalAdvance(text) + 2;
    const int x = std::max(textEnd, std::min(rect.left() + 30, rect.right() + 1 - picture.width()));
    if (x + picture.width() > rect.right() + 1 && rect.right() + 1 - x > 0)
        picture = picture.scaledToWidth(rect.right() + 1 - x, Qt::SmoothTransformation);
    canvas.drawPixmap(x, rect.top(), picture);
}

void TForm2::btn_SaveClick()
{
    ResultValue = 1;
    close();
}

void TForm2::btn_CanselClick()
{
    close();
}
