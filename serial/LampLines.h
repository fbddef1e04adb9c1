#pragma once

#include "hall/DoorLamp.h"
#include "serial/SerialDevice.h"

#include <QObject>

#include <chrono>
#include <functional>

class QTimer;
class TComPort;

// The stop lamp on a serial port of its own: DTR holds the "go" relay while
// the hall has room (green or amber), RTS drives the amber lamp or, asked
// to, a second "full" signal. Both drop when the port closes, the program
// ends or the adapter goes, so that a lamp wired to fail safe shows red
// then. A port that cannot be opened or is lost is tried again every few
// seconds and shows the state of that moment when it is back.
class LampLines : public QObject {
    Q_OBJECT
public:
    explicit LampLines(SerialDeviceFactory factory = {}, QObject *parent = nullptr);
    // DTR and RTS go off before the port closes.
    ~LampLines() override;

    // Told once per port set: the port could not be opened or was lost.
    std::function<void(int port)> OnTrouble;

    // Takes port n (0: none) for the lamp, and gives up the one before.
    void Open(int port);
    // RTS: the hall is full, instead of nearly full.
    void SetRtsFull(bool full);
    void Show(LampState state);

    int Port() const { return port_; }
    bool Connected() const;
    bool Retrying() const;

    // How long a port in trouble rests before the next try.
    static constexpr std::chrono::seconds kRetry{3};

private:
    void TryOpen();
    // Sets the lines; a port whose lines cannot be set counts as lost.
    bool Write();
    void Trouble();
    void Close();

    TComPort *com_;
    QTimer *retry_;
    int port_ = 0;
    LampState state_ = LampState::Red;
    bool rtsFull_ = false;
    bool told_ = false;
};
