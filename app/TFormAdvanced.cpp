#include "app/TFormAdvanced.h"

#include "dialogs/WindowPlacement.h"
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
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
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
    Tabs->addTab(BarrierPage(), QStringLiteral("Lichtschranken"));

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
    connect(btn_OK, &TLbSpeedButton::clicked, this, &QDialog::accept);
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
    seDebounceMs->setValue(settings.DebounceMs);
    seBlockedSeconds->setValue(settings.BlockedSeconds);
    seFlickerPerSecond->setValue(settings.FlickerPerSecond);
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
    settings.DebounceMs = seDebounceMs->value();
    settings.BlockedSeconds = seBlockedSeconds->value();
    settings.FlickerPerSecond = seFlickerPerSecond->value();
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
