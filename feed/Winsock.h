#pragma once

// Winsock for the files that call it directly, Windows only.
#include <winsock2.h>
#include <ws2tcpip.h>

// Started once, on first use, and never cleaned up: the program uses sockets
// until it ends.
inline bool StartWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// A socket this process's child processes do not inherit, as Linux's
// SOCK_CLOEXEC; INVALID_SOCKET on failure.
inline SOCKET NewSocket(int family, int type, int protocol)
{
    return WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}
