#pragma once

#include "hall/DoorLamp.h"

#include <QObject>

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

class Hall;
class QTimer;

// The stop lamp at the door while one is used: its rules listen to the hall,
// and each state they show goes to every output (the port's lines, the
// broker, the main window's mark) and, as a report, into the hall's journal.
// "Testen" runs the three colours on the outputs and then returns them to
// the hall's own state.
class LampControl : public QObject {
    Q_OBJECT
public:
    using Output = std::function<void(LampState)>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    LampControl(Hall &hall, DoorLamp::Rules rules, Clock now, QObject *parent = nullptr);
    ~LampControl() override;

    // In effect at once; the outputs hear a state that changes by them.
    void SetRules(DoorLamp::Rules rules);
    void SetPortClosed(bool closed) { lamp_.SetPortClosed(closed); }
    // Hears the state shown now at once and every change after it.
    void AddOutput(Output output);
    // Green, amber and red, a second each, then the hall's state again; a
    // test under way starts afresh.
    void RunTest();
    bool Testing() const;

    // What the hall's count and the rules say.
    LampState State() const { return lamp_.State(); }
    // What the outputs show: State(), or the test's colour.
    LampState Shown() const { return shown_; }

    // The step of the test sequence.
    static constexpr std::chrono::milliseconds kTestStep{1000};

private:
    void Changed(LampState state);
    void Show(LampState state);
    void TestStep();

    Hall &hall_;
    Clock now_;
    DoorLamp lamp_;
    std::vector<Output> outputs_;
    LampState shown_;
    QTimer *test_;
    // The colours of the test shown so far.
    std::size_t testStep_ = 0;
};
