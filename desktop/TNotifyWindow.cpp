#include "desktop/TNotifyWindow.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

TNotifyWindow::TNotifyWindow(WndProc handler, QObject *parent) : QObject(parent), handler_(std::move(handler)) {}

std::intptr_t TNotifyWindow::Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return handler_ ? handler_(message, wParam, lParam) : 0;
}

void TNotifyWindow::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    // Dropped with the window if it goes before the message is delivered.
    QTimer::singleShot(0, this, [this, message, wParam, lParam] { Send(message, wParam, lParam); });
}

std::uint32_t TNotifyWindow::RegisterWindowMessage(const QString &name)
{
    // GUI thread only, like every window.
    static QHash<QString, std::uint32_t> registered;
    auto found = registered.constFind(name);
    if (found != registered.constEnd())
        return *found;
    const auto number = static_cast<std::uint32_t>(0xC000 + registered.size());
    registered.insert(name, number);
    return number;
}
