#include "feed/ListenSocket.h"

#include "journal/JournalReasons.h"

#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

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
    case EADDRINUSE:
        return "Port " + std::to_string(port) + " ist schon belegt.";
    case EADDRNOTAVAIL:
        return "die Adresse " + address + " gibt es auf diesem Rechner nicht.";
    case EACCES:
        return "Port " + std::to_string(port) + " darf auf diesem Rechner nur ein Administrator öffnen.";
    default:
        return SystemReason(std::error_code(code, std::generic_category())) + " beim Öffnen von Port "
               + std::to_string(port) + ".";
    }
}

} // namespace

bool OpenListenSocket(const std::string &address, std::uint16_t port, ListenSocket &socket, std::string &error)
{
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
    const SocketHandle fd = ::socket(at.ai_family, at.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at.ai_protocol);
    if (fd < 0) {
        error = BindReason(errno, address, port);
        return false;
    }
    // A restarted program gets its port back while the last run's connections
    // linger; a port another program listens on stays refused.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, at.ai_addr, at.ai_addrlen) != 0 || listen(fd, SOMAXCONN) != 0) {
        error = BindReason(errno, address, port);
        close(fd);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &length);
    socket.handle = fd;
    socket.port = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6 &>(bound).sin6_port
                                                    : reinterpret_cast<sockaddr_in &>(bound).sin_port);
    return true;
}

void CloseListenSocket(ListenSocket &socket)
{
    if (socket.handle != kNoSocket)
        close(socket.handle);
    socket = {};
}

void DropUnansweredPeer(SocketHandle fd, std::chrono::milliseconds after)
{
#ifdef TCP_USER_TIMEOUT
    const unsigned milliseconds = static_cast<unsigned>(after.count());
    setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &milliseconds, sizeof milliseconds);
#else
    (void)fd;
    (void)after;
#endif
}

void ShutConnection(SocketHandle fd)
{
    shutdown(fd, SHUT_RDWR);
}
