#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

// A window that is never shown and only receives messages: the address for
// the notification area's callbacks and for requests a component posts to
// itself. Messages run its handler on the GUI thread.
class TNotifyWindow : public QObject {
    Q_OBJECT
public:
    using WndProc = std::function<std::intptr_t(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

    explicit TNotifyWindow(WndProc handler, QObject *parent = nullptr);

    // Runs the handler now and gives its result.
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Runs the handler once the event loop gets to it.
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // The number of a message named by a string: the same number for the
    // same string, for the whole process, from 0xC000 up.
    static std::uint32_t RegisterWindowMessage(const QString &name);

private:
    WndProc handler_;
};
