#include "feed/SocketWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <utility>

namespace {

// A client's close, or its reset; bytes it sends are not watched, so that
// they cannot wake the thread again and again.
#ifdef POLLRDHUP
constexpr short kPeerClosed = POLLRDHUP;
#else
constexpr short kPeerClosed = 0; // POLLHUP and POLLERR come anyway
#endif

} // namespace

SocketWatch::~SocketWatch()
{
    Close();
}

bool SocketWatch::Open()
{
    return ends_[0] != kNoSocket || pipe2(ends_, O_CLOEXEC | O_NONBLOCK) == 0;
}

void SocketWatch::Close()
{
    for (SocketHandle &end : ends_) {
        if (end != kNoSocket)
            close(std::exchange(end, kNoSocket));
    }
}

void SocketWatch::Wake()
{
    const char byte = 0;
    // Full: it wakes anyway.
    (void)!write(ends_[1], &byte, 1);
}

std::vector<SocketWatch::Peer> SocketWatch::Wait(const std::vector<SocketHandle> &sockets,
                                                  std::chrono::milliseconds timeout)
{
    std::vector<pollfd> watched{{ends_[0], POLLIN, 0}};
    for (const SocketHandle socket : sockets)
        watched.push_back({socket, kPeerClosed, 0});
    if (poll(watched.data(), watched.size(), static_cast<int>(timeout.count())) > 0 && watched[0].revents != 0) {
        char drained[64];
        while (read(ends_[0], drained, sizeof drained) > 0) {
        }
    }
    std::vector<Peer> peers;
    for (std::size_t i = 1; i < watched.size(); ++i)
        peers.push_back(watched[i].revents != 0 ? Peer::Gone : Peer::Quiet);
    return peers;
}
