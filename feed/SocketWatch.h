#pragma once

#include "feed/ListenSocket.h"

#include <chrono>
#include <vector>

// A thread's wait for a wake-up from any other thread, or for the clients of
// connections it watches to leave, whichever comes first; without polling.
// A pipe and poll() on Linux, a loopback socket pair and WSAPoll() on Windows.
class SocketWatch {
public:
    enum class Peer {
        Quiet,
        // Closed its end or reset the connection.
        Gone,
        // Sent bytes that wait unread, which may hide its close: watching it
        // again before they are read would wake the thread at once.
        Talking,
    };

    SocketWatch() = default;
    ~SocketWatch();
    SocketWatch(const SocketWatch &) = delete;
    SocketWatch &operator=(const SocketWatch &) = delete;

    // False when the system has no descriptor or socket left for it.
    bool Open();
    void Close();

    // Any thread, also while the lock a waiting thread has let go of is held;
    // never blocks. Wakes the current or next Wait() once.
    void Wake();
    static constexpr std::chrono::milliseconds kNoLimit{-1};

    // At most timeout (kNoLimit: until a wake-up or a client's leaving); one
    // state per socket, in their order.
    std::vector<Peer> Wait(const std::vector<SocketHandle> &sockets, std::chrono::milliseconds timeout);

private:
    // The wake-up's two ends: [0] is read, [1] written.
    SocketHandle ends_[2] = {kNoSocket, kNoSocket};
};
