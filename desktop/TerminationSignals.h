#pragma once

#include <QObject>

// Reports, through the event loop, that the system asked the program to end:
// SIGTERM (shutdown, logout), SIGHUP (the session or terminal went away) and
// SIGINT (Ctrl+C) on POSIX systems. While an object lives, those signals no
// longer end the process at once. On a platform without them it never
// reports. One object at a time.
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
