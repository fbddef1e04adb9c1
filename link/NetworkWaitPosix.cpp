#include "link/NetworkWait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

NetworkWait::~NetworkWait()
{
    for (const int end : ends_) {
        if (end >= 0)
            close(end);
    }
}

bool NetworkWait::Open()
{
    return ends_[0] >= 0 || pipe2(ends_, O_CLOEXEC | O_NONBLOCK) == 0;
}

void NetworkWait::Wake()
{
    const char byte = 0;
    // Full: it wakes anyway.
    (void)!write(ends_[1], &byte, 1);
}

NetworkWait::Woken NetworkWait::Wait(int socket, bool writing, std::chrono::milliseconds timeout)
{
    pollfd watched[2] = {{ends_[0], POLLIN, 0},
                         {socket, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0}};
    if (poll(watched, socket >= 0 ? 2 : 1, static_cast<int>(timeout.count())) <= 0)
        return {.deadline = true};
    if (watched[0].revents != 0) {
        char drained[64];
        while (read(ends_[0], drained, sizeof drained) > 0) {
        }
    }
    // A closed or failed connection shows as readable: the library finds out.
    return {.readable = (watched[1].revents & ~POLLOUT) != 0, .writable = (watched[1].revents & POLLOUT) != 0};
}
