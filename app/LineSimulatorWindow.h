#pragma once

#include <QWidget>

class SimulatedSerialPorts;

// A small window for trying the program without light barriers: two toggle
// buttons close and open the entry and exit contacts of the simulated ports.
class LineSimulatorWindow : public QWidget {
    Q_OBJECT
public:
    explicit LineSimulatorWindow(SimulatedSerialPorts &ports, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};
