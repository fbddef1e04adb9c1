#include "feed/SocketWatch.h"

#include "feed/Winsock.h"

#include <utility>

namespace {

// A UDP socket on 127.0.0.1 with the port the system chose, non-blocking.
SOCKET LoopbackSocket(sockaddr_in &address)
{
    const SOCKET socket = NewSocket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    u_long nonBlocking = 1;
    if (socket != INVALID_SOCKET
        && (bind(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0
            || ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)) {
        closesocket(socket);
        return INVALID_SOCKET;
    }
    return socket;
}

// What a readable connection holds: its end, or bytes of its client's.
SocketWatch::Peer Readable(SOCKET socket)
{
    char byte;
    const int got = recv(socket, &byte, 1, MSG_PEEK);
    if (got > 0)
        return SocketWatch::Peer::Talking;
    return got == 0 || WSAGetLastError() != WSAEWOULDBLOCK ? SocketWatch::Peer::Gone : SocketWatch::Peer::Quiet;
}

} // namespace

SocketWatch::~SocketWatch()
{
    Close();
}

bool SocketWatch::Open()
{
    if (ends_[0] != kNoSocket)
        return true;
    if (!StartWinsock())
        return false;
    // Windows has no pipe that WSAPoll() waits for: two loopback sockets,
    // each connected to the other, so that no other sender reaches them.
    sockaddr_in reader{};
    sockaddr_in writer{};
    ends_[0] = LoopbackSocket(reader);
    ends_[1] = LoopbackSocket(writer);
    if (ends_[0] == kNoSocket || ends_[1] == kNoSocket
        || connect(ends_[0], reinterpret_cast<const sockaddr *>(&writer), sizeof writer) != 0
        || connect(ends_[1], reinterpret_cast<const sockaddr *>(&reader), sizeof reader) != 0) {
        Close();
        return false;
    }
    return true;
}

void SocketWatch::Close()
{
    for (SocketHandle &end : ends_) {
        if (end != kNoSocket)
            closesocket(std::exchange(end, kNoSocket));
    }
}

void SocketWatch::Wake()
{
    const char byte = 0;
    // Full: it wakes anyway.
    send(ends_[1], &byte, 1, 0);
}

std::vector<SocketWatch::Peer> SocketWatch::Wait(const std::vector<SocketHandle> &sockets,
                                                  std::chrono::milliseconds timeout)
{
    // WSAPoll() has no event for a peer's close alone: a closed connection
    // shows as readable, as does one with bytes to read, told apart below.
    std::vector<WSAPOLLFD> watched{{ends_[0], POLLRDNORM, 0}};
    for (const SocketHandle socket : sockets)
        watched.push_back({socket, POLLRDNORM, 0});
    const int timeoutMs = static_cast<int>(timeout.count());
    if (WSAPoll(watched.data(), static_cast<ULONG>(watched.size()), timeoutMs) == SOCKET_ERROR) {
        // This round waits for the wake-up alone rather than fail again at once.
        watched.resize(1);
        watched[0].revents = 0;
        WSAPoll(watched.data(), 1, timeoutMs);
    }
    if (watched[0].revents != 0) {
        char drained[64];
        while (recv(ends_[0], drained, sizeof drained, 0) > 0) {
        }
    }
    std::vector<Peer> peers(sockets.size(), Peer::Quiet);
    for (std::size_t i = 1; i < watched.size(); ++i) {
        const short events = watched[i].revents;
        if (events & (POLLHUP | POLLERR | POLLNVAL))
            peers[i - 1] = Peer::Gone;
        else if (events & POLLRDNORM)
            peers[i - 1] = Readable(watched[i].fd);
    }
    return peers;
}
