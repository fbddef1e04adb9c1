#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

// A plain TCP client with Winsock from 127.0.0.from (the server takes only
// so many connections from one address). Reads give up after 10 s.
class WinsockClient {
public:
    explicit WinsockClient(std::uint16_t port, std::uint8_t from = 1)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK - 1 + from);
        bind(socket_, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(socket_, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    ~WinsockClient() { closesocket(socket_); }

    void Send(const std::string &bytes) { send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0); }
    // Closes at once: a reset rather than an orderly close.
    void Reset()
    {
        const linger now{1, 0};
        setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&now), sizeof now);
        Close();
    }
    void Close() { closesocket(socket_), socket_ = INVALID_SOCKET; }
    bool ReadUntil(const std::string &what) { return Read([&] { return received_.find(what) != std::string::npos; }); }
    // True when the server closed the connection.
    bool ReadUntilClosed() { return !Read([] { return false; }) && closed_; }
    const std::string &Received() const { return received_; }

private:
    template <typename Done>
    bool Read(Done done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            WSAPOLLFD wait{socket_, POLLRDNORM, 0};
            if (closed_ || left.count() <= 0 || WSAPoll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[65536];
            const int got = recv(socket_, buffer, sizeof buffer, 0);
            closed_ = got <= 0;
            received_.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        }
        return true;
    }

    SOCKET socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool closed_ = false;
    std::string received_;
};

// The status and body of one answer, read to the server's close; 0 without one.
inline std::pair<int, std::string> Get(std::uint16_t port, const std::string &path, const std::string &host = "127.0.0.1")
{
    WinsockClient client(port);
    client.Send("GET " + path + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
    const bool closed = client.ReadUntilClosed();
    const std::string &got = client.Received();
    const std::size_t end = got.find("\r\n\r\n");
    if (!closed || got.rfind("HTTP/1.", 0) != 0 || end == std::string::npos)
        return {0, ""};
    return {std::stoi(got.substr(9, 3)), got.substr(end + 4)};
}
