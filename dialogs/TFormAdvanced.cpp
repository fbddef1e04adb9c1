#include "dialogs/TFormAdvanced.h"

#include "desktop/WindowDecorations.h"
#include "dialogs/LiveDisplayAddress.h"
#include "dialogs/WindowPlacement.h"
#include "feed/FeedToken.h"
#include "feed/HostAddresses.h"
#include "link/BrokerAddress.h"
#include "link/DoorLinkSettings.h"
#include "serial/SerialDeviceName.h"
#include "widgets/Artwork.h"
#include "widgets/ColouredButton.h"
#include "widgets/PixelFont.h"
#include "widgets/TLbSpeedButton.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QValidator>
#include <QVBoxLayout>

#include <tuple>

namespace {

// A line of explanation under a field, in the tab's own colour.
QLabel *makeNote(const QString &text, QWidget *parent)
{
    auto *note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 12));
    return note;
}

// Lets only what an IPv4 or IPv6 address is written with be typed; the
// address is whole once it can be bound to.
class AddressValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &text, int &) const override
    {
        if (IsNumericAddress(text))
            return Acceptable;
        for (const QChar c : text) {
            if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(':')
                  || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))))
                return Invalid;
        }
        return Intermediate;
    }
};

// A door's or hall's name: no "/", "+", "#" or control characters.
class NameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        return TopicNameAllowed(input.toStdString()) ? Acceptable : Invalid;
    }
};

// "host:port", or empty for none.
class BrokerValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return input.isEmpty() || BrokerAddress::Parse(input.trimmed().toStdString()) ? Acceptable : Intermediate;
    }
};

// Host names or addresses, separated by spaces.
class HostListValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return IsFeedHostList(input) ? Acceptable : Intermediate;
    }
};

// Whether the settings drive a lamp: on a port, or on a topic of a broker.
// What the lamp's outputs are made from.
auto lampOutputs(const AdvancedSettings &s)
{
    return std::tie(s.LampPort, s.LampRtsMeaning, s.LampTopicGreen, s.LampTopicRed, s.LampOn, s.LampOff, s.Broker,
                    s.BrokerUser, s.BrokerPassword, s.BrokerCaFile);
}

} // namespace

TFormAdvanced::TFormAdvanced(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Erweiterte Einstellungen"));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    Tabs = new QTabWidget(this);
    // Every tab in sight: the dialog grows to show them all.
    Tabs->setUsesScrollButtons(false);
    Tabs->addTab(JournalPage(), QStringLiteral("Tagesjournal"));
    Tabs->addTab(BarrierPage(), QStringLiteral("Lichtschranken"));
    Tabs->addTab(OccupancyPage(), QStringLiteral("Belegung"));
    Tabs->addTab(LampPage(), QStringLiteral("Ampel"));
    Tabs->addTab(LiveDisplayPage(), QStringLiteral("Live-Anzeige im Browser"));
    Tabs->addTab(DoorsPage(), QStringLiteral("Mehrere Eingänge"));
    Tabs->addTab(StartPage(), QStringLiteral("Programmstart"));
    // The lamp's topics go to the hall's broker, with its login.
    for (QLineEdit *edit : {edBroker, edBrokerUser, edBrokerPassword, edBrokerCaFile})
        connect(edit, &QLineEdit::textChanged, this, &TFormAdvanced::LampChanged);

    btn_OK = MakeColouredButton(this, QRect(0, 0, 122, 33), QStringLiteral("&OK"), {},
                                {RGBColor(0, 0x9B, 0), RGBColor(0, 0xB9, 0), RGBColor(0, 0xEC, 0),
                                 RGBColor(0, 0x37, 0), clGreen, clWhite, 19, clWhite});
    btn_OK->SetGlyph(Artwork(QStringLiteral("check_green"), QSize(18, 16)).toImage());
    btn_Cancel = MakeColouredButton(this, QRect(0, 0, 122, 33), QStringLiteral("Abb&rechen"), {},
                                    {RGBColor(0xCE, 0, 0), RGBColor(0xCC, 0, 0), RGBColor(0xFF, 0, 0),
                                     RGBColor(0x2F, 0, 0), RGBColor(0x71, 0, 0), clWhite, 16, clYellow});
    btn_Cancel->SetGlyph(Artwork(QStringLiteral("cross_red"), QSize(16, 16)).toImage());
    for (TLbSpeedButton *button : {btn_OK, btn_Cancel}) {
        button->setFixedSize(134, 33);
        // Reached by Tab after the fields.
        button->setFocusPolicy(Qt::StrongFocus);
    }
    connect(btn_OK, &TLbSpeedButton::clicked, this, &TFormAdvanced::AcceptValid);
    connect(btn_Cancel, &TLbSpeedButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_OK);
    buttons->addWidget(btn_Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget *TFormAdvanced::JournalPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);

    auto *daysLabel = new QLabel(QStringLiteral("Einträge &aufbewahren:"), page);
    seJournalDays = new QSpinBox(page);
    seJournalDays->setRange(0, kMaxJournalDays);
    seJournalDays->setSuffix(QStringLiteral(" Tage"));
    seJournalDays->setSpecialValueText(QStringLiteral("kein Tagesjournal"));
    seJournalDays->setToolTip(QStringLiteral("Wie lange das Tagesjournal jede Änderung des Zählerstands aufbewahrt. "
                                             "Bei 0 wird kein Tagesjournal geführt."));
    daysLabel->setBuddy(seJournalDays);
    grid->addWidget(daysLabel, 0, 0);
    grid->addWidget(seJournalDays, 0, 1);

    cbDailyReset = new QCheckBox(QStringLiteral("&Täglich auf 0 setzen um:"), page);
    cbDailyReset->setToolTip(QStringLiteral("Zu dieser Uhrzeit geht der Zählerstand jeden Tag auf 0, wie mit RESET; "
                                            "im Tagesjournal steht dann „Tagesreset“. War der Rechner zu dieser Zeit "
                                            "aus, geschieht es einmal, sobald das Programm wieder läuft."));
    teDailyReset = new QTimeEdit(page);
    teDailyReset->setDisplayFormat(QStringLiteral("HH:mm"));
    teDailyReset->setLocale(QLocale(QLocale::German, QLocale::Germany));
    teDailyReset->setToolTip(cbDailyReset->toolTip());
    connect(cbDailyReset, &QCheckBox::toggled, teDailyReset, &QWidget::setEnabled);
    grid->addWidget(cbDailyReset, 1, 0);
    grid->addWidget(teDailyReset, 1, 1);

    cbResumeCount = new QCheckBox(QStringLiteral("Nach einem Neustart am selben Tag mit dem letzten &Stand "
                                                 "weiterzählen"),
                                  page);
    cbResumeCount->setToolTip(QStringLiteral("Nach einem Absturz oder Stromausfall beginnt das Programm mit dem "
                                             "letzten Stand des Tagesjournals statt mit 0, wenn dieser vom selben Tag "
                                             "stammt. Braucht das Tagesjournal."));
    grid->addWidget(cbResumeCount, 2, 0, 1, 2);

    grid->addWidget(makeNote(QStringLiteral("Aufbewahrung und Tagesreset gelten sofort, das Weiterzählen ab dem "
                                            "nächsten Programmstart."),
                             page),
                    3, 0, 1, 2);
    lblJournalFile = makeNote({}, page);
    lblJournalFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblJournalFile, 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TFormAdvanced::StartPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    cbLoginStart = new QCheckBox(QStringLiteral("Mit der &Anmeldung starten"), page);
    cbLoginStart->setToolTip(QStringLiteral("Das Programm startet von selbst, sobald sich dieser Benutzer am "
                                            "Rechner anmeldet, zum Beispiel am Hallen-PC nach dem Einschalten."));
    layout->addWidget(cbLoginStart);
    layout->addWidget(makeNote(QStringLiteral("Gilt mit OK und nur für diesen Benutzer."), page));
    lblLoginStartPlace = makeNote({}, page);
    lblLoginStartPlace->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(lblLoginStartPlace);
    layout->addStretch(1);
    return page;
}

void TFormAdvanced::SetLoginStart(bool enabled, const QString &place)
{
    cbLoginStart->setChecked(enabled);
    lblLoginStartPlace->setText(QStringLiteral("Eintrag: %1").arg(place));
}

QWidget *TFormAdvanced::OccupancyPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);

    auto *warnLabel = new QLabel(QStringLiteral("„Fast voll“ &ab:"), page);
    seWarnPercent = new QSpinBox(page);
    seWarnPercent->setRange(0, kMaxWarnPercent);
    seWarnPercent->setSuffix(QStringLiteral(" % der Kapazität"));
    seWarnPercent->setSpecialValueText(QStringLiteral("keine Warnung"));
    seWarnPercent->setToolTip(QStringLiteral("Ab diesem Anteil der Kapazität wird die Begrüßung der öffentlichen "
                                             "Anzeige gelb umrahmt und nennt die freien Plätze; die Ziffern im "
                                             "Hauptfenster werden gelb, bei voller Halle rot. Bei 0 bleibt alles, "
                                             "wie es ist."));
    warnLabel->setBuddy(seWarnPercent);
    grid->addWidget(warnLabel, 0, 0);
    grid->addWidget(seWarnPercent, 0, 1);

    cbShowPlacesLeft = new QCheckBox(QStringLiteral("Freie &Plätze immer anzeigen"), page);
    cbShowPlacesLeft->setToolTip(QStringLiteral("Die öffentliche Anzeige nennt unter der Begrüßung bei jedem Stand, "
                                                "wie viele Plätze noch frei sind."));
    grid->addWidget(cbShowPlacesLeft, 1, 0, 1, 2);

    grid->addWidget(makeNote(QStringLiteral("Beides gilt sofort. Bei voller Halle zeigt die Anzeige wie immer das "
                                            "Stoppschild."),
                             page),
                    2, 0, 1, 2);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TFormAdvanced::DoorsPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    const auto field = [&](const QString &label, const QString &hint) {
        auto *edit = new QLineEdit(page);
        edit->setToolTip(hint);
        auto *caption = new QLabel(label, page);
        caption->setBuddy(edit);
        const int row = grid->rowCount();
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        return edit;
    };
    edBroker = field(QStringLiteral("&Hallen-Server:"),
                     QStringLiteral("Der MQTT-Broker (mosquitto), über den die Eingänge einer Halle einen gemeinsamen "
                                    "Zählerstand führen, als Rechner:Port. Leer: dieser Eingang zählt allein."));
    edBroker->setPlaceholderText(QStringLiteral("leer: dieser Eingang zählt allein"));
    edBroker->setValidator(new BrokerValidator(edBroker));
    edDoor = field(QStringLiteral("&Eingang:"), QStringLiteral("Der Name dieses Eingangs, bei jedem Eingang ein "
                                                               "anderer. Voreingestellt ist der Rechnername."));
    edDoor->setValidator(new NameValidator(edDoor));
    edHall = field(QStringLiteral("Ha&lle:"), QStringLiteral("Der Name der Halle, bei allen ihren Eingängen derselbe."));
    edHall->setValidator(new NameValidator(edHall));
    edBrokerUser = field(QStringLiteral("&Benutzer:"),
                         QStringLiteral("Die Anmeldung am Hallen-Server; leer, wenn er keine verlangt."));
    edBrokerPassword = field(QStringLiteral("&Passwort:"), edBrokerUser->toolTip());
    edBrokerPassword->setEchoMode(QLineEdit::Password);
    edBrokerCaFile = field(QStringLiteral("&Zertifikat (CA):"),
                           QStringLiteral("Die Datei mit dem Zertifikat der Stelle, die das Zertifikat des "
                                          "Hallen-Servers ausgestellt hat. Gesetzt: die Verbindung ist verschlüsselt "
                                          "(TLS)."));
    edBrokerCaFile->setPlaceholderText(QStringLiteral("leer: unverschlüsselt"));

    const int row = grid->rowCount();
    grid->addWidget(makeNote(QStringLiteral("Alle Eingänge einer Halle zeigen denselben Zählerstand. Die Einstellungen "
                                            "gelten sofort."),
                             page),
                    row, 0, 1, 2);
    lblDoorTaken = makeNote({}, page);
    lblDoorTaken->setStyleSheet(QStringLiteral("color: #c00000"));
    lblDoorTaken->hide();
    grid->addWidget(lblDoorTaken, row + 1, 0, 1, 2);
    lblLinkState = makeNote({}, page);
    grid->addWidget(lblLinkState, row + 2, 0, 1, 2);
    grid->setRowStretch(row + 3, 1);
    connect(edDoor, &QLineEdit::textChanged, this, &TFormAdvanced::CheckDoorName);
    connect(edHall, &QLineEdit::textChanged, this, &TFormAdvanced::CheckDoorName);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TFormAdvanced::BarrierPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    auto addRow = [&](int row, const QString &label, QSpinBox *field, const QString &hint) {
        auto *caption = new QLabel(label, page);
        caption->setBuddy(field);
        field->setToolTip(hint);
        grid->addWidget(caption, row, 0);
        grid->addWidget(field, row, 1);
    };

    seDebounceMs = new QSpinBox(page);
    seDebounceMs->setRange(0, kMaxDebounceMs);
    seDebounceMs->setSuffix(QStringLiteral(" ms"));
    seDebounceMs->setSpecialValueText(QStringLiteral("aus"));
    addRow(0, QStringLiteral("&Entprellzeit:"), seDebounceMs,
           QStringLiteral("Eine Änderung an einer Lichtschranke zählt erst, wenn sie so lange angehalten hat. "
                          "Kürzeres Prellen wird übergangen. Für Lichtschranken mit Relaisausgang 20 ms."));

    seBlockedSeconds = new QSpinBox(page);
    seBlockedSeconds->setRange(0, kMaxBlockedSeconds);
    seBlockedSeconds->setSuffix(QStringLiteral(" s"));
    seBlockedSeconds->setSpecialValueText(QStringLiteral("keine Warnung"));
    addRow(1, QStringLiteral("&Blockiert nach:"), seBlockedSeconds,
           QStringLiteral("Bleibt der Strahl länger unterbrochen, zeigt das Hauptfenster eine rote Markierung an der "
                          "Lichtschranke, und das Tagesjournal vermerkt es."));

    seFlickerPerSecond = new QSpinBox(page);
    seFlickerPerSecond->setRange(0, kMaxFlickerPerSecond);
    seFlickerPerSecond->setSuffix(QStringLiteral(" je Sekunde"));
    seFlickerPerSecond->setSpecialValueText(QStringLiteral("keine Warnung"));
    addRow(2, QStringLiteral("&Flattern ab mehr als:"), seFlickerPerSecond,
           QStringLiteral("Wechselt eine Lichtschranke öfter innerhalb einer Sekunde, wird sie als flatternd "
                          "gemeldet (Sonnenlicht, Wackelkontakt, prellendes Relais)."));

    grid->addWidget(makeNote(QStringLiteral("Die Warnungen ändern nichts am Zählen. Alle Werte gelten sofort."),
                             page),
                    3, 0, 1, 2);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TFormAdvanced::LampPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    const auto addRow = [](QGridLayout *grid, const QString &label, QWidget *field, const QString &hint) {
        auto *caption = new QLabel(label, field->parentWidget());
        caption->setBuddy(field);
        field->setToolTip(hint);
        const int row = grid->rowCount();
        grid->addWidget(caption, row, 0);
        grid->addWidget(field, row, 1);
    };

    auto *rules = new QGridLayout;
    seLampHysteresis = new QSpinBox(page);
    seLampHysteresis->setRange(1, kMaxLampHysteresis);
    seLampHysteresis->setSuffix(QStringLiteral(" unter der Kapazität"));
    addRow(rules, QStringLiteral("Wieder grün &ab:"), seLampHysteresis,
           QStringLiteral("Bei voller Halle bleibt die Ampel rot, bis die Besucherzahl so weit unter der Kapazität "
                          "liegt. Bei 1 wird sie grün, sobald einer gegangen ist; mehr verhindert, dass sie an der "
                          "Grenze ständig wechselt."));
    cbLampOnFault = new QCheckBox(QStringLiteral("&Bei blockierter Lichtschranke oder verlorenem Anschluss rot"), page);
    cbLampOnFault->setToolTip(QStringLiteral("Ist der Strahl einer Lichtschranke blockiert (Karte „Lichtschranken“) "
                                             "oder die Schnittstelle der Lichtschranken getrennt, zählt Pontra "
                                             "nicht: die Ampel zeigt dann rot. Für Türen, die niemanden einlassen "
                                             "dürfen, solange nicht gezählt wird."));
    rules->addWidget(cbLampOnFault, rules->rowCount(), 0, 1, 3);
    rules->setColumnStretch(2, 1);
    layout->addLayout(rules);

    auto *serial = new QGroupBox(QStringLiteral("An einer seriellen Schnittstelle"), page);
    auto *serialGrid = new QGridLayout(serial);
    cbLampPort = new QComboBox(serial);
    addRow(serialGrid, QStringLiteral("Schnitt&stelle:"), cbLampPort,
           QStringLiteral("Die Schnittstelle, an der das Relaismodul der Ampel hängt; nicht die der Lichtschranken. "
                          "DTR (Stift 4) hält das Relais „frei“, solange die Halle Platz hat und Pontra läuft: fällt "
                          "es ab, zeigt die Ampel rot. „keine“: keine Ampel an einer Schnittstelle."));
    cbLampRts = new QComboBox(serial);
    cbLampRts->addItem(QStringLiteral("gelbe Lampe"), int(AdvancedSettings::RtsMeaning::Amber));
    cbLampRts->addItem(QStringLiteral("Signal „voll“"), int(AdvancedSettings::RtsMeaning::Full));
    addRow(serialGrid, QStringLiteral("RTS &zeigt:"), cbLampRts,
           QStringLiteral("Was RTS (Stift 7) schaltet: die gelbe Lampe, solange die Halle fast voll ist (dazu „Fast "
                          "voll ab“ auf der Karte „Belegung“), oder ein zweites Signal, solange sie voll ist, etwa "
                          "ein Schild „Bitte warten“."));
    serialGrid->setColumnStretch(1, 1);
    serialGrid->setRowStretch(serialGrid->rowCount(), 1);

    auto *broker = new QGroupBox(QStringLiteral("Über den Hallen-Server (MQTT)"), page);
    auto *brokerGrid = new QGridLayout(broker);
    const auto text = [&](const QString &label, const QString &hint) {
        auto *edit = new QLineEdit(broker);
        addRow(brokerGrid, label, edit, hint);
        return edit;
    };
    edLampTopicGreen = text(QStringLiteral("Thema grüne &Lampe:"),
                            QStringLiteral("Das Thema, auf dem Pontra die grüne Lampe schaltet, etwa das Befehlsthema "
                                           "eines Netzwerk-Relais: ein, solange die Halle Platz hat. Leer: nicht "
                                           "verwendet."));
    edLampTopicRed = text(QStringLiteral("Thema rote La&mpe:"),
                          QStringLiteral("Das Thema, auf dem Pontra die rote Lampe schaltet: ein, solange die Halle "
                                         "voll ist. Leer: nicht verwendet."));
    for (QLineEdit *topic : {edLampTopicGreen, edLampTopicRed})
        topic->setPlaceholderText(QStringLiteral("leer: nicht verwendet"));
    edLampOn = text(QStringLiteral("Nachricht &ein:"),
                    QStringLiteral("Was Pontra auf ein Thema sendet, um die Lampe einzuschalten, etwa ON."));
    edLampOff = text(QStringLiteral("Nachricht a&us:"),
                     QStringLiteral("Was Pontra auf ein Thema sendet, um die Lampe auszuschalten, etwa OFF."));
    seLampRefresh = new QSpinBox(broker);
    seLampRefresh->setRange(1, kMaxLampRefreshSeconds);
    seLampRefresh->setSuffix(QStringLiteral(" s"));
    addRow(brokerGrid, QStringLiteral("&Wiederholen alle:"), seLampRefresh,
           QStringLiteral("So oft sendet Pontra den Stand der Ampel erneut. Stellen Sie am Relais eine längere eigene "
                          "Abschaltzeit ein: bleibt die Wiederholung aus, schaltet es die grüne Lampe selbst ab."));
    lblLampNoBroker = makeNote(QStringLiteral("Dafür braucht es einen Hallen-Server auf der Karte „Mehrere "
                                              "Eingänge“."),
                               broker);
    brokerGrid->addWidget(lblLampNoBroker, brokerGrid->rowCount(), 0, 1, 2);
    brokerGrid->setColumnStretch(1, 1);
    // Side by side: the dialog keeps the height of the other tabs.
    auto *outputs = new QHBoxLayout;
    outputs->addWidget(serial, 2);
    outputs->addWidget(broker, 3);
    layout->addLayout(outputs);

    lblLampRefused = makeNote({}, page);
    lblLampRefused->setStyleSheet(QStringLiteral("color: #c00000"));
    lblLampRefused->hide();
    layout->addWidget(lblLampRefused);

    auto *test = new QHBoxLayout;
    btnLampTest = new QPushButton(QStringLiteral("&Testen"), page);
    // Enter in a field is OK, not a test.
    btnLampTest->setAutoDefault(false);
    connect(btnLampTest, &QPushButton::clicked, this, &TFormAdvanced::LampTestRequested);
    test->addWidget(btnLampTest);
    test->addWidget(makeNote(QStringLiteral("Die Einstellungen gelten sofort nach OK."), page), 1);
    layout->addLayout(test);
    layout->addStretch(1);

    connect(cbLampPort, &QComboBox::currentIndexChanged, this, &TFormAdvanced::LampChanged);
    connect(cbLampRts, &QComboBox::currentIndexChanged, this, &TFormAdvanced::LampChanged);
    for (QLineEdit *edit : {edLampTopicGreen, edLampTopicRed, edLampOn, edLampOff})
        connect(edit, &QLineEdit::textChanged, this, &TFormAdvanced::LampChanged);
    return page;
}

void TFormAdvanced::SetFoundPorts(std::uint64_t ports)
{
    foundPorts_ = ports;
}

void TFormAdvanced::SetBarrierPort(int port)
{
    barrierPort_ = port;
}

void TFormAdvanced::ListLampPorts(int stored)
{
    const QSignalBlocker quiet(cbLampPort);
    cbLampPort->clear();
    cbLampPort->addItem(QStringLiteral("keine"), 0);
    for (int port = 1; port <= kMaxLampPort; ++port) {
        const bool found = port <= 64 && (foundPorts_ & (std::uint64_t{1} << (port - 1)));
        if (!found && port != stored)
            continue;
        const QString name = found ? QStringLiteral("COM%1") : QStringLiteral("COM%1 (fehlt)");
        cbLampPort->addItem(name.arg(port), port);
        // The installer sees which adapter a number stands for.
        const QString device = QString::fromStdString(SerialDeviceName(port));
        if (!device.isEmpty())
            cbLampPort->setItemData(cbLampPort->count() - 1, device, Qt::ToolTipRole);
    }
    cbLampPort->setCurrentIndex(cbLampPort->findData(stored));
}

void TFormAdvanced::LampChanged()
{
    lblLampRefused->hide();
    AdvancedSettings now;
    TakeValues(now);
    const bool broker = !now.Broker.isEmpty();
    const std::initializer_list<QWidget *> brokerFields{edLampTopicGreen, edLampTopicRed, edLampOn, edLampOff,
                                                        seLampRefresh};
    for (QWidget *field : brokerFields)
        field->setEnabled(broker);
    lblLampNoBroker->setVisible(!broker);
    // The test drives the lamp the program has; changed fields make
    // another one only with OK.
    const bool set = LampUsed(now);
    const bool inEffect = lampOutputs(now) == lampOutputs(inEffect_);
    btnLampTest->setEnabled(set && inEffect);
    btnLampTest->setToolTip(
        !set        ? QStringLiteral("Keine Ampel eingestellt: wählen Sie eine Schnittstelle oder, mit einem "
                                     "Hallen-Server, ein Thema.")
        : !inEffect ? QStringLiteral("Die geänderten Einstellungen der Ampel gelten erst mit OK; danach lässt sie "
                                     "sich hier testen.")
                    : QStringLiteral("Schaltet die Ampel nacheinander grün, gelb und rot, je etwa eine Sekunde, "
                                     "und dann wieder auf den Stand der Halle."));
}

bool TFormAdvanced::RefuseLamp()
{
    const auto refuse = [this](QWidget *field, const QString &reason) {
        Tabs->setCurrentWidget(lblLampRefused->parentWidget());
        field->setFocus();
        lblLampRefused->setText(reason);
        lblLampRefused->show();
        return true;
    };
    const int port = cbLampPort->currentData().toInt();
    if (port != 0 && port == barrierPort_)
        return refuse(cbLampPort, QStringLiteral("An COM%1 hängen die Lichtschranken. Die Ampel braucht eine eigene "
                                                 "Schnittstelle.")
                                      .arg(port));
    for (QLineEdit *topic : {edLampTopicGreen, edLampTopicRed}) {
        if (!IsLampTopic(topic->text().trimmed()))
            return refuse(topic, QStringLiteral("Ein Thema der Ampel darf kein „+“ und kein „#“ enthalten: sie "
                                                "stehen für viele Themen, Pontra schaltet aber eine Lampe."));
    }
    for (QLineEdit *payload : {edLampOn, edLampOff}) {
        if (payload->text().trimmed().isEmpty())
            return refuse(payload, QStringLiteral("Die Nachricht darf nicht leer sein: eine leere gespeicherte "
                                                  "Nachricht löscht beim Hallen-Server den Stand der Lampe."));
    }
    if (edLampOn->text().trimmed() == edLampOff->text().trimmed())
        return refuse(edLampOff, QStringLiteral("Die Nachrichten für ein und aus müssen sich unterscheiden."));
    return false;
}

QWidget *TFormAdvanced::LiveDisplayPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);

    auto *portLabel = new QLabel(QStringLiteral("&Port:"), page);
    seHttpPort = new QSpinBox(page);
    seHttpPort->setRange(0, 65535);
    seHttpPort->setSpecialValueText(QStringLiteral("aus"));
    seHttpPort->setToolTip(QStringLiteral("Auf diesem Port zeigt das Programm den Zählerstand als Webseite und als "
                                          "Daten für andere Programme, zum Beispiel 8080. Bei 0 ist die "
                                          "Live-Anzeige aus."));
    portLabel->setBuddy(seHttpPort);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(seHttpPort, 0, 1, 1, 2);

    auto *bindLabel = new QLabel(QStringLiteral("&Erreichbar unter:"), page);
    cbHttpBind = new QComboBox(page);
    cbHttpBind->setEditable(true);
    cbHttpBind->addItems({QStringLiteral("127.0.0.1"), QStringLiteral("0.0.0.0")});
    cbHttpBind->setValidator(new AddressValidator(cbHttpBind));
    cbHttpBind->setToolTip(QStringLiteral("127.0.0.1: nur auf diesem Rechner. 0.0.0.0: auch von anderen Geräten im "
                                          "Netzwerk, etwa einem Tablet oder Fernseher; dann braucht jeder Aufruf den "
                                          "Zugangsschlüssel. Oder eine Adresse dieses Rechners."));
    bindLabel->setBuddy(cbHttpBind);
    grid->addWidget(bindLabel, 1, 0);
    grid->addWidget(cbHttpBind, 1, 1, 1, 2);

    auto *tokenLabel = new QLabel(QStringLiteral("Zugangsschlüssel:"), page);
    edHttpToken = new QLineEdit(page);
    edHttpToken->setReadOnly(true);
    edHttpToken->setMinimumWidth(edHttpToken->fontMetrics().horizontalAdvance(QString(64, QLatin1Char('0'))) / 2);
    edHttpToken->setToolTip(QStringLiteral("Wird beim ersten Einschalten für andere Geräte erzeugt. Ein neuer "
                                           "Schlüssel sperrt alle aus, die den alten benutzen."));
    btnNewToken = new QPushButton(QStringLiteral("&Neu erzeugen"), page);
    connect(btnNewToken, &QPushButton::clicked, this, [this] {
        edHttpToken->setText(QString::fromStdString(MakeFeedToken()));
        LiveDisplayChanged();
    });
    grid->addWidget(tokenLabel, 2, 0);
    grid->addWidget(edHttpToken, 2, 1);
    grid->addWidget(btnNewToken, 2, 2);

    auto *hostsLabel = new QLabel(QStringLiteral("&Weitere Namen:"), page);
    edHttpHosts = new QLineEdit(page);
    edHttpHosts->setValidator(new HostListValidator(edHttpHosts));
    edHttpHosts->setPlaceholderText(QStringLiteral("z. B. anzeige.halle.example"));
    edHttpHosts->setToolTip(QStringLiteral("Namen oder Adressen, unter denen die Geräte diesen Rechner erreichen, "
                                           "durch Leerzeichen getrennt. Unter anderen als den eigenen Namen und "
                                           "Adressen des Rechners antwortet die Live-Anzeige nicht. Webseiten von "
                                           "diesen Namen dürfen die Daten auch lesen."));
    hostsLabel->setBuddy(edHttpHosts);
    grid->addWidget(hostsLabel, 3, 0);
    grid->addWidget(edHttpHosts, 3, 1, 1, 2);

    lblHttpAddress = makeNote({}, page);
    lblHttpAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    btnCopyAddress = new QPushButton(QStringLiteral("&Kopieren"), page);
    btnCopyAddress->setToolTip(QStringLiteral("Legt die Adresse samt Zugangsschlüssel in die Zwischenablage, um sie "
                                              "im Browser des Tablets oder Fernsehers einzugeben."));
    connect(btnCopyAddress, &QPushButton::clicked, this, [this] {
        AdvancedSettings settings;
        TakeValues(settings);
        QGuiApplication::clipboard()->setText(LiveDisplayAddress(settings));
    });
    // Enter in a field must not make a new key.
    for (QPushButton *button : {btnNewToken, btnCopyAddress})
        button->setAutoDefault(false);
    grid->addWidget(lblHttpAddress, 4, 0, 1, 2);
    grid->addWidget(btnCopyAddress, 4, 2);

    grid->addWidget(makeNote(QStringLiteral("Die Seite zeigt, was die Anzeige für die Besucher zeigt, und ändert "
                                            "nichts am Zählerstand. Sie ist unverschlüsselt: nur im eigenen Netzwerk "
                                            "der Halle verwenden."),
                             page),
                    5, 0, 1, 3);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);

    connect(seHttpPort, &QSpinBox::valueChanged, this, &TFormAdvanced::LiveDisplayChanged);
    connect(cbHttpBind, &QComboBox::currentTextChanged, this, &TFormAdvanced::LiveDisplayChanged);
    return page;
}

void TFormAdvanced::LiveDisplayChanged()
{
    const bool whole = cbHttpBind->lineEdit()->hasAcceptableInput();
    btn_OK->setEnabled(whole);
    if (whole && seHttpPort->value() != 0 && edHttpToken->text().isEmpty()
        && !IsLoopbackAddress(cbHttpBind->currentText().trimmed().toStdString()))
        edHttpToken->setText(QString::fromStdString(MakeFeedToken()));
    edHttpToken->setCursorPosition(0);
    AdvancedSettings settings;
    TakeValues(settings);
    const QString address = LiveDisplayAddress(settings);
    btnCopyAddress->setEnabled(whole && !address.isEmpty());
    lblHttpAddress->setText(!whole              ? QStringLiteral("Die Adresse ist noch unvollständig.")
                            : address.isEmpty() ? QStringLiteral("Die Live-Anzeige ist aus.")
                                                : QStringLiteral("Im Browser: %1").arg(address));
}

void TFormAdvanced::SetLinkState(const QString &state)
{
    lblLinkState->setText(QStringLiteral("Verbindung: %1").arg(state));
}

void TFormAdvanced::SetTlsAvailable(bool available)
{
    tls_ = available;
    // The build says: it does not change while the program runs.
    if (available)
        return;
    edBrokerCaFile->setToolTip(QStringLiteral("Diese Ausgabe von Pontra ist ohne TLS gebaut: die Verbindung zum "
                                              "Hallen-Server bleibt unverschlüsselt."));
    edBrokerCaFile->setPlaceholderText(QStringLiteral("in dieser Ausgabe nicht verfügbar"));
}

void TFormAdvanced::SetOtherDoors(const QString &hall, const QStringList &doors)
{
    linkedHall_ = hall;
    otherDoors_ = doors;
    CheckDoorName();
}

void TFormAdvanced::CheckDoorName()
{
    // Two doors of one name overwrite each other's totals: the link then
    // stops sending until one is renamed. Said here before it happens.
    const QString door = edDoor->text();
    const bool taken = edHall->text() == linkedHall_ && otherDoors_.contains(door);
    lblDoorTaken->setText(taken ? QStringLiteral("Ein anderer Eingang der Halle „%1“ heißt schon „%2“. Jeder Eingang "
                                                 "braucht einen eigenen Namen.")
                                      .arg(linkedHall_, door)
                                : QString());
    lblDoorTaken->setVisible(taken);
}

void TFormAdvanced::keyPressEvent(QKeyEvent *event)
{
    // OK is the default button: Return in a field accepts. A focused button
    // takes its own Return; Escape cancels as in every dialog.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & ~Qt::KeypadModifier)) {
        event->accept();
        AcceptValid();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormAdvanced::AcceptValid()
{
    for (QLineEdit *edit : {edHttpHosts, edBroker, edDoor, edHall}) {
        if (!edit->hasAcceptableInput()) {
            Tabs->setCurrentWidget(edit->parentWidget());
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    if (RefuseLamp())
        return;
    accept();
}

void TFormAdvanced::SetJournalFile(const QString &path)
{
    lblJournalFile->setText(path.isEmpty() ? QStringLiteral("Für das Tagesjournal gibt es keinen Ordner.")
                                           : QStringLiteral("Datei: %1").arg(QDir::toNativeSeparators(path)));
}

bool TFormAdvanced::Edit(AdvancedSettings &settings)
{
    ShowValues(settings);
    Tabs->setCurrentIndex(0);
    if (exec() != QDialog::Accepted)
        return false;
    TakeValues(settings);
    return true;
}

void TFormAdvanced::ShowValues(const AdvancedSettings &settings)
{
    seJournalDays->setValue(settings.JournalDays);
    cbDailyReset->setChecked(settings.DailyReset.has_value());
    teDailyReset->setEnabled(settings.DailyReset.has_value());
    const int minutes = settings.DailyReset ? static_cast<int>(settings.DailyReset->count()) : 3 * 60;
    teDailyReset->setTime(QTime(minutes / 60, minutes % 60));
    cbResumeCount->setChecked(settings.ResumeCount);
    seWarnPercent->setValue(settings.WarnPercent);
    cbShowPlacesLeft->setChecked(settings.ShowPlacesLeft);
    seHttpPort->setValue(settings.HttpPort);
    cbHttpBind->setCurrentText(settings.HttpBind);
    edHttpToken->setText(settings.HttpToken);
    edHttpHosts->setText(settings.HttpHosts);
    LiveDisplayChanged();
    edDoor->setText(settings.Door);
    edHall->setText(settings.HallName);
    edBroker->setText(settings.Broker);
    edBrokerUser->setText(settings.BrokerUser);
    edBrokerPassword->setText(settings.BrokerPassword);
    edBrokerCaFile->setText(settings.BrokerCaFile);
    // Without TLS only a file named already can be edited: to empty it.
    edBrokerCaFile->setEnabled(tls_ || !settings.BrokerCaFile.isEmpty());
    seDebounceMs->setValue(settings.DebounceMs);
    seBlockedSeconds->setValue(settings.BlockedSeconds);
    seFlickerPerSecond->setValue(settings.FlickerPerSecond);
    inEffect_ = settings;
    ListLampPorts(settings.LampPort);
    cbLampRts->setCurrentIndex(cbLampRts->findData(int(settings.LampRtsMeaning)));
    seLampHysteresis->setValue(settings.LampHysteresis);
    cbLampOnFault->setChecked(settings.LampOnFault);
    edLampTopicGreen->setText(settings.LampTopicGreen);
    edLampTopicRed->setText(settings.LampTopicRed);
    edLampOn->setText(settings.LampOn);
    edLampOff->setText(settings.LampOff);
    seLampRefresh->setValue(settings.LampRefreshSeconds);
    LampChanged();
}

void TFormAdvanced::TakeValues(AdvancedSettings &settings) const
{
    settings.JournalDays = seJournalDays->value();
    settings.DailyReset.reset();
    if (cbDailyReset->isChecked()) {
        const QTime at = teDailyReset->time();
        settings.DailyReset = std::chrono::hours(at.hour()) + std::chrono::minutes(at.minute());
    }
    settings.ResumeCount = cbResumeCount->isChecked();
    settings.WarnPercent = seWarnPercent->value();
    settings.ShowPlacesLeft = cbShowPlacesLeft->isChecked();
    settings.HttpPort = seHttpPort->value();
    settings.HttpBind = cbHttpBind->currentText().trimmed();
    settings.HttpToken = edHttpToken->text();
    settings.HttpHosts = edHttpHosts->text().simplified();
    settings.Door = edDoor->text();
    settings.HallName = edHall->text();
    settings.Broker = edBroker->text().trimmed();
    settings.BrokerUser = edBrokerUser->text();
    settings.BrokerPassword = edBrokerPassword->text();
    settings.BrokerCaFile = edBrokerCaFile->text().trimmed();
    settings.DebounceMs = seDebounceMs->value();
    settings.BlockedSeconds = seBlockedSeconds->value();
    settings.FlickerPerSecond = seFlickerPerSecond->value();
    settings.LampPort = cbLampPort->currentData().toInt();
    settings.LampRtsMeaning = AdvancedSettings::RtsMeaning(cbLampRts->currentData().toInt());
    settings.LampHysteresis = seLampHysteresis->value();
    settings.LampOnFault = cbLampOnFault->isChecked();
    settings.LampTopicGreen = edLampTopicGreen->text().trimmed();
    settings.LampTopicRed = edLampTopicRed->text().trimmed();
    settings.LampOn = edLampOn->text().trimmed();
    settings.LampOff = edLampOff->text().trimmed();
    settings.LampRefreshSeconds = seLampRefresh->value();
}

void TFormAdvanced::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    KeepDialogUnminimised(this, event);
}

void TFormAdvanced::showEvent(QShowEvent *event)
{
    RequestDialogDecorations(this, true);
    QDialog::showEvent(event);
    CenterOverParent(this);
}
