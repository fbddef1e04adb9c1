#include "link/NetworkWait.h"

#include <winsock2.h>

#include <utility>

namespace {

// A UDP socket on 127.0.0.1 with the port the system chose, non-blocking.
SOCKET LoopbackSocket(sockaddr_in &address)
{
    const SOCKET socket = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
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

SOCKET End(int end)
{
    return static_cast<SOCKET>(static_cast<unsigned>(end));
}

} // namespace

NetworkWait::~NetworkWait()
{
    for (const int end : ends_) {
        if (end >= 0)
            closesocket(End(end));
    }
}

bool NetworkWait::Open()
{
    if (ends_[0] >= 0)
        return true;
    // Windows has no pipe that WSAPoll() waits for: two loopback sockets,
    // each connected to the other, so that no other sender reaches them.
    // The library has started Winsock.
    sockaddr_in reader{};
    sockaddr_in writer{};
    const SOCKET read = LoopbackSocket(reader);
    const SOCKET written = LoopbackSocket(writer);
    if (read == INVALID_SOCKET || written == INVALID_SOCKET
        || connect(read, reinterpret_cast<const sockaddr *>(&writer), sizeof writer) != 0
        || connect(written, reinterpret_cast<const sockaddr *>(&reader), sizeof reader) != 0) {
        for (const SOCKET socket : {read, written}) {
            if (socket != INVALID_SOCKET)
                closesocket(socket);
        }
        return false;
    }
    ends_[0] = static_cast<int>(read);
    ends_[1] = static_cast<int>(written);
    return true;
}

void NetworkWait::Wake()
{
    const char byte = 0;
    // Full: it wakes anyway.
    send(End(ends_[1]), &byte, 1, 0);
}

NetworkWait::Woken NetworkWait::Wait(int socket, bool writing, std::chrono::milliseconds timeout)
{
    WSAPOLLFD watched[2] = {{End(ends_[0]), POLLRDNORM, 0},
                            {End(socket), static_cast<SHORT>(POLLRDNORM | (writing ? POLLWRNORM : 0)), 0}};
    if (WSAPoll(watched, socket >= 0 ? 2 : 1, static_cast<int>(timeout.count())) <= 0)
        return {.deadline = true};
    if (watched[0].revents != 0) {
        char drained[64];
        while (recv(End(ends_[0]), drained, sizeof drained, 0) > 0) {
        }
    }
    // A closed or failed connection shows as readable: the library finds out.
    return {.readable = (watched[1].revents & ~POLLWRNORM) != 0,
            .writable = (watched[1].revents & POLLWRNORM) != 0};
}
