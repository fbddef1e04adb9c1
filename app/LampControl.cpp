#include "app/LampControl.h"

#include "hall/Hall.h"

#include <QTimer>

#include <utility>

namespace {

// The colours "Testen" shows one after the other.
constexpr LampState kTestColours[] = {LampState::Green, LampState::Amber, LampState::Red};

HallSource ReportOf(LampState state)
{
    switch (state) {
    case LampState::Green:
        return HallSource::LampGreen;
    case LampState::Amber:
        return HallSource::LampAmber;
    case LampState::Red:
        break;
    }
    return HallSource::LampRed;
}

} // namespace

LampControl::LampControl(Hall &hall, DoorLamp::Rules rules, Clock now, QObject *parent)
    : QObject(parent), hall_(hall), now_(std::move(now)),
      lamp_(rules, hall.Count(), hall.Capacity(), [this](LampState state) { Changed(state); }),
      shown_(lamp_.State()), test_(new QTimer(this))
{
    test_->setInterval(kTestStep);
    connect(test_, &QTimer::timeout, this, &LampControl::TestStep);
    hall_.AddListener(&lamp_);
}

LampControl::~LampControl()
{
    hall_.RemoveListener(&lamp_);
}

void LampControl::SetRules(DoorLamp::Rules rules)
{
    lamp_.SetRules(rules);
}

void LampControl::AddOutput(Output output)
{
    output(shown_);
    outputs_.push_back(std::move(output));
}

bool LampControl::Testing() const
{
    return test_->isActive();
}

void LampControl::RunTest()
{
    testStep_ = 0;
    test_->start();
    TestStep();
}

void LampControl::TestStep()
{
    if (testStep_ == std::size(kTestColours)) {
        // Whatever the count did meanwhile.
        test_->stop();
        Show(lamp_.State());
        return;
    }
    Show(kTestColours[testStep_++]);
}

void LampControl::Changed(LampState state)
{
    // The door first; the journal's row may come a moment later.
    if (!Testing())
        Show(state);
    hall_.Apply({.source = ReportOf(state), .time = now_ ? now_() : std::chrono::system_clock::now()});
}

void LampControl::Show(LampState state)
{
    if (state == shown_)
        return;
    shown_ = state;
    for (const Output &output : outputs_)
        output(state);
}
