#pragma once

#include "app/CounterState.h"
#include "app/Forms.h"
#include "app/TFormMain.h"
#include "app/TerminationSignals.h"
#include "widgets/HelpViewerLink.h"

#include <memory>

// Creates the program's windows once, in their fixed order, wires the keys
// and the display switch between them, and destroys them at the end: the
// main window first, whose FormDestroy stores the settings. A termination
// signal ends the run as the operator's "Ja" does, without the question.
class PontraApplication {
public:
    // termination, when given, ends the run once it reports a signal.
    explicit PontraApplication(MainWindowServices services, TerminationSignals *termination = nullptr);
    ~PontraApplication();

    PontraApplication(const PontraApplication &) = delete;
    PontraApplication &operator=(const PontraApplication &) = delete;

    CounterState State;
    Forms forms;

private:
    // Declared before the windows: set up before them, closed after them.
    std::unique_ptr<HelpViewerLink> help_;
    // Declared before the main window so that it outlives it.
    std::unique_ptr<TFormMonitor2> monitor_;
    std::unique_ptr<TFormMain> main_;
};
