#pragma once

#include <chrono>

// The network thread's wait for its connection's socket, a deadline or a
// wake-up from another thread (a message queued, the end), without polling:
// a pipe and poll() on Linux, a loopback socket pair and WSAPoll() on Windows.
class NetworkWait {
public:
    // Why a wait ended: the socket is ready to read or to write (when asked),
    // the timeout passed, or else another thread's Wake().
    struct Woken {
        bool readable = false;
        bool writable = false;
        bool deadline = false;
    };

    NetworkWait() = default;
    ~NetworkWait();
    NetworkWait(const NetworkWait &) = delete;
    NetworkWait &operator=(const NetworkWait &) = delete;

    // False when the system has no descriptor left for it.
    bool Open();
    // Any thread; never blocks. Wakes the current or next Wait() once.
    void Wake();
    // socket: the connection's, or -1 for none; writing: also for room to
    // write in it. timeout: negative for none.
    Woken Wait(int socket, bool writing, std::chrono::milliseconds timeout);

private:
    // The wake-up's two ends: [0] is read, [1] written.
    int ends_[2] = {-1, -1};
};
