#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// A raw TCP client on loopback, for exact control over what the server gets.
// Every read waits for a condition (bytes seen, the close) and gives up
// after 10 s.
class FeedClient {
public:
    // receiveBuffer > 0 shrinks the socket's buffer, for a client that never
    // reads to fill it soon.
    explicit FeedClient(std::uint16_t port, int receiveBuffer = 0)
        : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        if (receiveBuffer > 0)
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~FeedClient() { close(fd_); }
    FeedClient(const FeedClient &) = delete;
    FeedClient &operator=(const FeedClient &) = delete;

    bool Connected() const { return connected_; }
    bool Send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }
    // Until what has arrived at or after `from`; false at the close or after 10 s.
    bool ReadUntil(std::string_view what, std::size_t from = 0)
    {
        return ReadWhile([&] { return received_.find(what, from) == std::string::npos; });
    }
    // Until the server closes the connection (or resets it).
    bool ReadUntilClosed()
    {
        ReadWhile([] { return true; });
        return closed_;
    }
    const std::string &Received() const { return received_; }
    // Drops what has arrived, for a client that reads a lot.
    void Forget() { received_.clear(); }
    bool Closed() const { return closed_; }

private:
    template <typename Condition>
    bool ReadWhile(Condition more)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (more()) {
            if (closed_)
                return false;
            using std::chrono::milliseconds;
            const auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
            pollfd wait{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
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

    int fd_;
    bool connected_ = false;
    bool closed_ = false;
    std::string received_;
};

// One answer, read to the server's close.
struct FeedReply {
    int status = 0;
    std::string head;
    std::string body;

    // The value of a header, by its name in any case; empty when absent.
    std::string Header(std::string_view name) const
    {
        std::size_t line = head.find("\r\n");
        while (line != std::string::npos && line + 2 < head.size()) {
            const std::size_t next = head.find("\r\n", line + 2);
            const std::string field = head.substr(line + 2, next - line - 2);
            const std::size_t colon = field.find(':');
            if (colon == name.size() && strncasecmp(field.data(), name.data(), name.size()) == 0)
                return field.substr(field.find_first_not_of(' ', colon + 1));
            line = next;
        }
        return {};
    }
};

inline FeedReply Split(const std::string &received)
{
    FeedReply reply;
    const std::size_t end = received.find("\r\n\r\n");
    reply.head = received.substr(0, end);
    reply.body = end == std::string::npos ? std::string() : received.substr(end + 4);
    if (received.rfind("HTTP/1.", 0) == 0 && received.size() > 12)
        reply.status = std::stoi(received.substr(9, 3));
    return reply;
}

// A request with the given method, path and header lines ("Name: value\r\n").
inline FeedReply Request(std::uint16_t port, std::string_view method, std::string_view path,
                         std::string_view headers = {})
{
    FeedClient client(port);
    client.Send(std::string(method) + " " + std::string(path) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                + std::string(headers) + "Connection: close\r\n\r\n");
    client.ReadUntilClosed();
    return Split(client.Received());
}

inline FeedReply Get(std::uint16_t port, std::string_view path, std::string_view headers = {})
{
    return Request(port, "GET", path, headers);
}
