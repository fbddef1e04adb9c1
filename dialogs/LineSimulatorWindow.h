#pragma once

#include <QPointer>
#include <QWidget>

class QPushButton;
class SimulatedSerialPorts;

// A small window for trying the program without light barriers: two toggle
// buttons interrupt and free the entry and exit barriers of the simulated
// ports. A free barrier's contact rests at the level opposite to the one it
// counts at ("Event at:"), as a real one does with its beam free.
// It belongs to owner (the main window), which keeps it above itself.
class LineSimulatorWindow : public QWidget {
    Q_OBJECT
public:
    LineSimulatorWindow(SimulatedSerialPorts &ports, QWidget *owner);

    // The levels at which the entry and the exit count; the contacts take
    // their levels from them, the first time too.
    void SetEventLevels(bool entryOn, bool exitOn);

    QPushButton *EntryButton;
    QPushButton *ExitButton;

protected:
    bool event(QEvent *event) override;

private:
    void SetLines();

    SimulatedSerialPorts &ports_;
    QPointer<QWidget> owner_;
    bool entryEventOn_ = false;
    bool exitEventOn_ = false;
};
