#pragma once

#include "feed/HostAddresses.h" // IsLoopbackAddress(), asked before a socket is opened

#include <chrono>
#include <cstdint>
#include <string>

// A socket as the system names it: a file descriptor, or Winsock's SOCKET
// (an unsigned number as wide as a pointer), without Winsock's headers here.
#ifdef _WIN32
using SocketHandle = std::uintptr_t;
inline constexpr SocketHandle kNoSocket = ~SocketHandle(0);
#else
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;
#endif

// A TCP socket listening on one numeric address (IPv4 or IPv6) and port, for
// the HTTP server to take over. Opened here rather than by the server so that
// an address or port it cannot have is told apart.
struct ListenSocket {
    SocketHandle handle = kNoSocket;
    // The port it listens on; the one the system chose for port 0.
    std::uint16_t port = 0;
};

// False with a German sentence in error ("Port 8080 ist schon belegt.").
bool OpenListenSocket(const std::string &address, std::uint16_t port, ListenSocket &socket, std::string &error);
void CloseListenSocket(ListenSocket &socket);

// Has the system close a connection whose data has stayed unacknowledged for
// that long, rather than keep a peer that vanished for many minutes.
void DropUnansweredPeer(SocketHandle socket, std::chrono::milliseconds after);

// Shuts a connection's socket both ways without closing it: its owner sees
// the end and closes it itself.
void ShutConnection(SocketHandle socket);
