#include "desktop/TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace {

constexpr std::array kSignals{SIGTERM, SIGHUP, SIGINT};

// The handler may only do what is async-signal-safe: it writes the signal's
// number into a socket, whose other end the event loop watches.
int wakeSocket[2] = {-1, -1};

void OnTerminationSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    (void)!::write(wakeSocket[0], &number, 1);
    errno = saved;
}

QSocketNotifier *notifier = nullptr;

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeSocket) != 0)
        return;
    notifier = new QSocketNotifier(wakeSocket[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (::read(wakeSocket[1], &number, 1) == 1) {
            arrived_ = true;
            emit Received(number);
        }
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Restarted: the program's own blocking calls go on as if nothing came.
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (wakeSocket[0] < 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
    delete notifier;
    notifier = nullptr;
    ::close(wakeSocket[0]);
    ::close(wakeSocket[1]);
    wakeSocket[0] = wakeSocket[1] = -1;
}
