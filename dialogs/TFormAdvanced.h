#pragma once

#include "settings/AdvancedSettings.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
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
    // Whether the program starts at login, and where that is recorded; the
    // caller asks for the box's state after OK.
    void SetLoginStart(bool enabled, const QString &place);
    // Whether the door link can encrypt; it can unless told otherwise.
    void SetTlsAvailable(bool available);
    // The door link's state, shown on its tab.
    void SetLinkState(const QString &state);
    // The other doors the link has heard of in the running hall: a door
    // name typed here that one of them has is named as taken.
    void SetOtherDoors(const QString &hall, const QStringList &doors);
    // The serial ports found at start, bit n-1 for COMn: the lamp's port
    // list offers them.
    void SetFoundPorts(std::uint64_t ports);
    // The barriers' port as chosen in the settings dialog, 0 for none: the
    // lamp may not take it.
    void SetBarrierPort(int port);

    QTabWidget *Tabs;
    // Tab "Tagesjournal".
    QSpinBox *seJournalDays;
    QCheckBox *cbDailyReset;
    QTimeEdit *teDailyReset;
    QCheckBox *cbResumeCount;
    QLabel *lblJournalFile;
    // Tab "Programmstart".
    QCheckBox *cbLoginStart;
    QLabel *lblLoginStartPlace;
    // Tab "Belegung".
    QSpinBox *seWarnPercent;
    QCheckBox *cbShowPlacesLeft;
    // Tab "Live-Anzeige im Browser".
    QSpinBox *seHttpPort;
    QComboBox *cbHttpBind;
    QLineEdit *edHttpToken;
    QPushButton *btnNewToken;
    QLineEdit *edHttpHosts;
    QLabel *lblHttpAddress;
    QPushButton *btnCopyAddress;
    // Tab "Mehrere Eingänge".
    QLineEdit *edDoor;
    QLineEdit *edHall;
    QLineEdit *edBroker;
    QLineEdit *edBrokerUser;
    QLineEdit *edBrokerPassword;
    QLineEdit *edBrokerCaFile;
    QLabel *lblDoorTaken;
    QLabel *lblLinkState;
    // Tab "Lichtschranken".
    QSpinBox *seDebounceMs;
    QSpinBox *seBlockedSeconds;
    QSpinBox *seFlickerPerSecond;
    // Tab "Ampel".
    QSpinBox *seLampHysteresis;
    QCheckBox *cbLampOnFault;
    QComboBox *cbLampPort;
    QComboBox *cbLampRts;
    QLineEdit *edLampTopicGreen;
    QLineEdit *edLampTopicRed;
    QLineEdit *edLampOn;
    QLineEdit *edLampOff;
    QSpinBox *seLampRefresh;
    QLabel *lblLampNoBroker;
    QLabel *lblLampRefused;
    QPushButton *btnLampTest;
    TLbSpeedButton *btn_OK;
    TLbSpeedButton *btn_Cancel;

signals:
    // "Testen": the lamp is to show each of its states in turn, with the
    // settings in effect.
    void LampTestRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *JournalPage();
    QWidget *StartPage();
    QWidget *OccupancyPage();
    QWidget *LiveDisplayPage();
    // The address shown and copied, and the key made when one is needed.
    void LiveDisplayChanged();
    QWidget *DoorsPage();
    void CheckDoorName();
    // OK once every field holds a value that can be used.
    void AcceptValid();
    QWidget *BarrierPage();
    QWidget *LampPage();
    // "keine", the ports found and the stored one, marked when it was not.
    void ListLampPorts(int stored);
    // The broker's fields and "Testen" follow the fields they depend on.
    void LampChanged();
    // Says on the lamp's tab why its values cannot be stored, with the
    // field focused; false when they can.
    bool RefuseLamp();
    void ShowValues(const AdvancedSettings &settings);
    // Only the keys that have fields here.
    void TakeValues(AdvancedSettings &settings) const;

    QString linkedHall_;
    QStringList otherDoors_;
    bool tls_ = true;
    std::uint64_t foundPorts_ = 0;
    int barrierPort_ = 0;
    // The settings in effect: "Testen" shows the lamp as they drive it.
    AdvancedSettings inEffect_;
};
