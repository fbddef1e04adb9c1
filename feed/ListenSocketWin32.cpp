#include "feed/ListenSocket.h"

#include "feed/Winsock.h"
#include "journal/JournalReasons.h"

#include <system_error>

// In the Windows SDK's ws2ipdef.h; not in every mingw-w64.
#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

namespace {

struct AddressList {
    addrinfo *first = nullptr;
    ~AddressList()
    {
        if (first)
            freeaddrinfo(first);
    }
};

std::string BindReason(int code, const std::string &address, std::uint16_t port)
{
    switch (code) {
    case WSAEADDRINUSE:
        return "Port " + std::to_string(port) + " ist schon belegt.";
    case WSAEADDRNOTAVAIL:
        return "die Adresse " + address + " gibt es auf diesem Rechner nicht.";
    case WSAEACCES:
        // Any user may open any port on Windows: another socket holds this
        // one for itself alone, or the system keeps it out of use.
        return "Port " + std::to_string(port) + " ist schon belegt oder von Windows gesperrt.";
    default:
        return SystemReason(std::error_code(code, std::system_category())) + " beim Öffnen von Port "
               + std::to_string(port) + ".";
    }
}

} // namespace

bool OpenListenSocket(const std::string &address, std::uint16_t port, ListenSocket &socket, std::string &error)
{
    if (!StartWinsock()) {
        error = "Windows stellt dem Programm keine Netzwerkverbindungen bereit (Winsock).";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    AddressList found;
    if (getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found.first) != 0 || !found.first) {
        error = "„" + address + "“ ist keine IP-Adresse.";
        return false;
    }
    const addrinfo &at = *found.first;
    const SOCKET handle = NewSocket(at.ai_family, at.ai_socktype, at.ai_protocol);
    if (handle == INVALID_SOCKET) {
        error = BindReason(WSAGetLastError(), address, port);
        return false;
    }
    // SO_REUSEADDR would let another program take the port from under the
    // server on Windows; this keeps it ours alone.
    const BOOL on = TRUE;
    setsockopt(handle, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&on), sizeof on);
    if (at.ai_family == AF_INET6) {
        // "::" also takes IPv4 connections, as on Linux; Windows defaults to IPv6 only.
        const DWORD off = 0;
        setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char *>(&off), sizeof off);
    }
    u_long nonBlocking = 1;
    if (bind(handle, at.ai_addr, static_cast<int>(at.ai_addrlen)) != 0 || listen(handle, SOMAXCONN) != 0
        || ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) {
        error = BindReason(WSAGetLastError(), address, port);
        closesocket(handle);
        return false;
    }
    sockaddr_storage bound{};
    int length = sizeof bound;
    getsockname(handle, reinterpret_cast<sockaddr *>(&bound), &length);
    socket.handle = handle;
    socket.port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6 &>(bound).sin6_port
                                                    : reinterpret_cast<sockaddr_in &>(bound).sin_port);
    return true;
}

void CloseListenSocket(ListenSocket &socket)
{
    if (socket.handle != kNoSocket)
        closesocket(socket.handle);
    socket = {};
}

void DropUnansweredPeer(SocketHandle socket, std::chrono::milliseconds after)
{
    // Windows counts this in whole seconds.
    const DWORD seconds = static_cast<DWORD>(std::chrono::ceil<std::chrono::seconds>(after).count());
    setsockopt(socket, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char *>(&seconds), sizeof seconds);
}

void ShutConnection(SocketHandle socket)
{
    shutdown(socket, SD_BOTH);
}
