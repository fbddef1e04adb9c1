#include "desktop/ScreenSaverInhibit.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

QDBusMessage ScreenSaverCall(const QString &method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"), method);
}

} // namespace

ScreenSaverInhibit::ScreenSaverInhibit(QDBusConnection bus, QString application)
    : bus_(std::move(bus)), application_(std::move(application))
{
}

ScreenSaverInhibit::~ScreenSaverInhibit()
{
    Release();
}

void ScreenSaverInhibit::Hold(const QString &reason)
{
    wanted_ = true;
    if (asking_ || cookie_ != 0 || !bus_.isConnected())
        return;
    QDBusMessage call = ScreenSaverCall(QStringLiteral("Inhibit"));
    call << application_ << reason;
    asking_ = true;
    auto *answer = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *watcher) {
        watcher->deleteLater();
        asking_ = false;
        const QDBusPendingReply<std::uint32_t> reply = *watcher;
        if (reply.isError())
            return;
        cookie_ = reply.value();
        // Released, or released and held again, while the answer was on its way.
        if (!wanted_)
            Release();
    });
}

void ScreenSaverInhibit::Release()
{
    wanted_ = false;
    if (cookie_ == 0)
        return;
    UnInhibit(cookie_);
    cookie_ = 0;
}

void ScreenSaverInhibit::UnInhibit(std::uint32_t cookie)
{
    QDBusMessage call = ScreenSaverCall(QStringLiteral("UnInhibit"));
    call << cookie;
    // Not waited for: the service has nothing to say to it.
    bus_.send(call);
}
