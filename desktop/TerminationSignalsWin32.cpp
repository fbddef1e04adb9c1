#include "desktop/TerminationSignals.h"

// Windows ends a desktop program through the session's end, which Qt reports
// as a commit-data request; there are no signals to watch.
TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() = default;
