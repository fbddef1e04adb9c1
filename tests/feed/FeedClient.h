#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

// A raw TCP client on loopback, for exact control over what the server gets.
// Reads wait for a condition and give up after 10 s.
class FeedClient {
public:
    // A small receiveBuffer makes a client that never reads stall soon; from
    // is the last byte of the loopback address it comes from (127.0.0.from),
    // as the server takes only so many connections from one address.
    explicit FeedClient(std::uint16_t port, int receiveBuffer = 0, std::uint8_t from = 1)
    {
        if (receiveBuffer > 0)
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in source{AF_INET, 0, {htonl(INADDR_LOOPBACK - 1 + from)}, {}};
        bind(fd_, reinterpret_cast<sockaddr *>(&source), sizeof source);
        sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        connected_ = connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~FeedClient() { close(fd_); }

    bool Connected() const { return connected_; }
    // Gone with a reset rather than a close.
    void Reset()
    {
        const linger now{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        close(std::exchange(fd_, -1));
    }
    void Send(const std::string &bytes) { (void)!send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    bool ReadUntil(const std::string &what)
    {
        return Read([&] { return received_.find(what) != std::string::npos; });
    }
    // True when the server closed the connection.
    bool ReadUntilClosed()
    {
        Read([] { return false; });
        return closed_;
    }
    // Whether the server has closed the connection, without waiting.
    bool Closed()
    {
        char byte;
        const ssize_t got = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    const std::string &Received() const { return received_; }
    void Forget() { received_.clear(); }

private:
    // Reads until done() holds; false when the server closed first or after 10 s.
    template <typename Done>
    bool Read(Done done)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd wait{fd_, POLLIN, 0};
            if (closed_ || left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[65536];
            const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                closed_ = true;
            else
                received_.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    int fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool connected_ = false;
    bool closed_ = false;
    std::string received_;
};

// One answer, read to the server's close.
struct FeedReply {
    int status = 0;
    std::string head;
    std::string body;

    // A header's value, its name in any case; empty when absent.
    std::string Header(const std::string &name) const
    {
        for (std::size_t line = head.find("\r\n"); line != std::string::npos; line = head.find("\r\n", line + 2)) {
            if (strncasecmp(head.c_str() + line + 2, (name + ": ").c_str(), name.size() + 2) == 0)
                return head.substr(line + name.size() + 4, head.find("\r\n", line + 2) - line - name.size() - 4);
        }
        return {};
    }
};

inline FeedReply Split(const std::string &received)
{
    const std::size_t end = received.find("\r\n\r\n");
    return {received.rfind("HTTP/1.", 0) == 0 ? std::stoi(received.substr(9, 3)) : 0, received.substr(0, end),
            end == std::string::npos ? "" : received.substr(end + 4)};
}

// The answer to these bytes, read to the server's close; status 0 when it
// did not close within 10 s.
inline FeedReply Exchange(std::uint16_t port, const std::string &bytes)
{
    FeedClient client(port);
    client.Send(bytes);
    return client.ReadUntilClosed() ? Split(client.Received()) : FeedReply{};
}

// A request with its header lines ("Name: value\r\n"), answered and closed.
inline FeedReply Request(std::uint16_t port, const std::string &method, const std::string &path,
                         const std::string &headers = {})
{
    return Exchange(port, method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers
                              + "Connection: close\r\n\r\n");
}

inline FeedReply Get(std::uint16_t port, const std::string &path, const std::string &headers = {})
{
    return Request(port, "GET", path, headers);
}
