#include "app/TFormAdvanced.h"

#include "dialogs/WindowPlacement.h"
#include "link/BrokerAddress.h"
#include "link/DoorLinkSettings.h"
#include "widgets/Artwork.h"
#include "widgets/ColouredButton.h"
#include "widgets/PixelFont.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/WindowDecorations.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QValidator>
#include <QVBoxLayout>

namespace {

// A line of explanation under a field, in the tab's own colour.
QLabel *makeNote(const QString &text, QWidget *parent)
{
    auto *note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 12));
    return note;
}

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
    Tabs->addTab(JournalPage(), QStringLiteral("Tagesjournal"));
    Tabs->addTab(DoorsPage(), QStringLiteral("Mehrere Eingänge"));

    btn_OK = MakeColouredButton(this, QRect(0, 0, 122, 33), QStringLiteral("OK"), {},
                                {RGBColor(0, 0x9B, 0), RGBColor(0, 0xB9, 0), RGBColor(0, 0xEC, 0),
                                 RGBColor(0, 0x37, 0), clGreen, clWhite, 19, clWhite});
    btn_OK->SetGlyph(Artwork(QStringLiteral("check_green"), QSize(18, 16)).toImage());
    btn_Cancel = MakeColouredButton(this, QRect(0, 0, 122, 33), QStringLiteral("Abbrechen"), {},
                                    {RGBColor(0xCE, 0, 0), RGBColor(0xCC, 0, 0), RGBColor(0xFF, 0, 0),
                                     RGBColor(0x2F, 0, 0), RGBColor(0x71, 0, 0), clWhite, 16, clYellow});
    btn_Cancel->SetGlyph(Artwork(QStringLiteral("cross_red"), QSize(16, 16)).toImage());
    for (TLbSpeedButton *button : {btn_OK, btn_Cancel})
        button->setFixedSize(122, 33);
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
    lblLinkState = makeNote({}, page);
    grid->addWidget(lblLinkState, row + 1, 0, 1, 2);
    grid->setRowStretch(row + 2, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void TFormAdvanced::SetLinkState(const QString &state)
{
    lblLinkState->setText(QStringLiteral("Verbindung: %1").arg(state));
}

void TFormAdvanced::AcceptValid()
{
    for (QLineEdit *edit : {edBroker, edDoor, edHall}) {
        if (!edit->hasAcceptableInput()) {
            Tabs->setCurrentWidget(edit->parentWidget());
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
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
    edDoor->setText(settings.Door);
    edHall->setText(settings.HallName);
    edBroker->setText(settings.Broker);
    edBrokerUser->setText(settings.BrokerUser);
    edBrokerPassword->setText(settings.BrokerPassword);
    edBrokerCaFile->setText(settings.BrokerCaFile);
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
    settings.Door = edDoor->text();
    settings.HallName = edHall->text();
    settings.Broker = edBroker->text().trimmed();
    settings.BrokerUser = edBrokerUser->text();
    settings.BrokerPassword = edBrokerPassword->text();
    settings.BrokerCaFile = edBrokerCaFile->text().trimmed();
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
