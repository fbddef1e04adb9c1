#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// A TCP socket listening on one numeric address (IPv4 or IPv6) and port, for
// the HTTP server to take over. Opened here rather than by the server so that
// an address or port it cannot have is told apart.
struct ListenSocket {
    int fd = -1;
    // The port it listens on; the one the system chose for port 0.
    std::uint16_t port = 0;
};

// False with a German sentence in error ("Port 8080 ist schon belegt.").
bool OpenListenSocket(const std::string &address, std::uint16_t port, ListenSocket &socket, std::string &error);
void CloseListenSocket(ListenSocket &socket);

// Has the system close a connection whose data has stayed unacknowledged for
// that long, rather than keep a peer that vanished for many minutes.
void DropUnansweredPeer(int fd, std::chrono::milliseconds after);

// 127.0.0.0/8 and ::1, where only this computer can reach the server.
bool IsLoopbackAddress(std::string_view address);
