#pragma once

#include "app/AdvancedSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QSpinBox;
class QTabWidget;
class QTimeEdit;
class TLbSpeedButton;

// "Erweiterte Einstellungen": the settings beyond the first ones, a tab for
// each feature, opened modal over the settings dialog. Its fields can hold
// only valid values. OK hands the values back to the caller, which stores
// and applies them; "Abbrechen" and Escape change nothing.
class TFormAdvanced : public QDialog {
    Q_OBJECT
public:
    explicit TFormAdvanced(QWidget *parent = nullptr);

    // Shows the settings for editing; true with the edited ones on OK.
    bool Edit(AdvancedSettings &settings);
    // Where the journal lies, shown on its tab.
    void SetJournalFile(const QString &path);

    QTabWidget *Tabs;
    // Tab "Tagesjournal".
    QSpinBox *seJournalDays;
    QCheckBox *cbDailyReset;
    QTimeEdit *teDailyReset;
    QCheckBox *cbResumeCount;
    QLabel *lblJournalFile;
    // Tab "Lichtschranken".
    QSpinBox *seDebounceMs;
    QSpinBox *seBlockedSeconds;
    QSpinBox *seFlickerPerSecond;
    TLbSpeedButton *btn_OK;
    TLbSpeedButton *btn_Cancel;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *JournalPage();
    QWidget *BarrierPage();
    void ShowValues(const AdvancedSettings &settings);
    // Only the keys that have fields here.
    void TakeValues(AdvancedSettings &settings) const;
};
