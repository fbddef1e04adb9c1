#include "desktop/TerminationSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <functional>
#include <memory>

namespace {

// Windows ends a desktop program through the session's end: first
// WM_QUERYENDSESSION, for which Qt asks the program to commit its data (the
// session may still be cancelled), then WM_ENDSESSION, after which the process
// may be ended at any moment. The latter is this program's TERM: it ends
// without a question that nobody would answer. Seen before Qt's own handling,
// which closes every window as a user's quit would.
class SessionEndFilter : public QAbstractNativeEventFilter {
public:
    explicit SessionEndFilter(std::function<void()> ended) : ended_(std::move(ended)) {}

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (type == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam)
            ended_();
        return false;
    }

private:
    std::function<void()> ended_;
};

std::unique_ptr<SessionEndFilter> filter;

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    filter = std::make_unique<SessionEndFilter>([this] {
        // Every top-level window gets the message; one end is enough.
        if (arrived_)
            return;
        arrived_ = true;
        emit Received(0);
    });
    QCoreApplication::instance()->installNativeEventFilter(filter.get());
}

TerminationSignals::~TerminationSignals()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(filter.get());
    filter.reset();
}
