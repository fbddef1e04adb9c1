#pragma once

#include <QObject>

// Reports that the system asked the program to end: SIGTERM (shutdown,
// logout), SIGHUP (the session or terminal went away) and SIGINT (Ctrl+C) on
// POSIX systems, through the event loop; while an object lives, those signals
// no longer end the process at once. On Windows: the session's end
// (WM_ENDSESSION), as it comes, with 0 for the signal. One object at a time.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // Whether a signal was reported already, for a receiver connected late.
    bool Arrived() const { return arrived_; }

signals:
    void Received(int signal);

private:
    bool arrived_ = false;
};
