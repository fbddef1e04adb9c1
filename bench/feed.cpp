// Prints the live feed's figures over loopback: the time from Publish() to
// the event stream's message at a client, median and p99 over 10^4 changes,
// with one client and with 200 (the others read on a thread of their own);
// the time Publish() takes its caller (the GUI thread); the memory 200
// connected streams cost; and the time Stop() takes with them.
// One figure per line: "name = value unit".
#include "feed/FeedServer.h"
#include "Spread.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kChanges = 10'000;
constexpr int kClients = 200;

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

// An event stream's client that reads with blocking calls.
class Stream {
public:
    explicit Stream(std::uint16_t port)
        : fd_(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            return;
        const std::string request = "GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        send(fd_, request.data(), request.size(), MSG_NOSIGNAL);
        ok_ = WaitFor("data: {");
    }
    ~Stream() { close(fd_); }
    bool Ok() const { return ok_; }
    int Fd() const { return fd_; }
    // Reads until the text has come; what came before it is dropped.
    bool WaitFor(const std::string &text)
    {
        while (true) {
            const std::size_t at = received_.find(text);
            if (at != std::string::npos) {
                received_.erase(0, at + text.size());
                return true;
            }
            char buffer[4096];
            const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return false;
            received_.append(buffer, static_cast<std::size_t>(got));
        }
    }

private:
    int fd_;
    bool ok_ = false;
    std::string received_;
};

// Reads and drops what the other streams get, so that none of them stalls.
class Drain {
public:
    explicit Drain(const std::vector<std::unique_ptr<Stream>> &streams)
        : epoll_(epoll_create1(0))
    {
        for (const auto &stream : streams) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = stream->Fd();
            epoll_ctl(epoll_, EPOLL_CTL_ADD, stream->Fd(), &event);
        }
        thread_ = std::thread([this] {
            epoll_event events[64];
            char buffer[65536];
            while (!stop_) {
                const int ready = epoll_wait(epoll_, events, 64, 100);
                for (int i = 0; i < ready; ++i)
                    (void)!recv(events[i].data.fd, buffer, sizeof buffer, 0);
            }
        });
    }
    ~Drain()
    {
        stop_ = true;
        thread_.join();
        close(epoll_);
    }

private:
    int epoll_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

FeedSnapshot Hall(std::int32_t count)
{
    FeedSnapshot snapshot;
    snapshot.count = count;
    snapshot.capacity = 99'999;
    snapshot.state = OccupancyStateOf(count, snapshot.capacity, 80);
    snapshot.updated = system_clock::now();
    return snapshot;
}

// Publishes kChanges changes and times each until the observer has it.
void MeasureLatency(FeedServer &server, Stream &observer, const char *name, std::vector<double> *publishCalls)
{
    std::vector<double> latency;
    latency.reserve(kChanges);
    for (int change = 1; change <= kChanges; ++change) {
        FeedSnapshot snapshot = Hall(change);
        const auto start = steady_clock::now();
        server.Publish(std::move(snapshot));
        const auto published = steady_clock::now();
        if (!observer.WaitFor("\"count\":" + std::to_string(change) + ",")) {
            std::fprintf(stderr, "the stream ended\n");
            std::exit(1);
        }
        latency.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
        if (publishCalls)
            publishCalls->push_back(duration<double, std::micro>(published - start).count());
    }
    PrintSpread(name, latency, "ms");
}

} // namespace

int main()
{
    FeedServer server;
    std::string error;
    if (!server.Start({}, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    server.Publish(Hall(0));
    const std::uint16_t port = server.Port();

    std::vector<double> publishCalls;
    {
        Stream observer(port);
        if (!observer.Ok())
            return 1;
        MeasureLatency(server, observer, "change_to_message_1_client", &publishCalls);
    }
    PrintSpread("publish_call", publishCalls, "us");

    // Memory: the server alone, then with 200 streams, each past its first message.
    while (server.Streams() != 0)
        std::this_thread::sleep_for(milliseconds(1));
    const long alone = ResidentKiB();
    std::vector<std::unique_ptr<Stream>> others;
    for (int i = 0; i < kClients - 1; ++i) {
        others.push_back(std::make_unique<Stream>(port));
        if (!others.back()->Ok())
            return 1;
    }
    Stream observer(port);
    const long connected = ResidentKiB();
    std::printf("streams = %zu\n", server.Streams());
    std::printf("memory_%d_streams = %.2f MiB more than none\n", kClients, (connected - alone) / 1024.0);

    {
        Drain drain(others);
        MeasureLatency(server, observer, "change_to_message_200_clients", nullptr);
    }
    std::printf("memory_after_%d_changes_to_%d_streams = %.2f MiB more than none\n", kChanges, kClients,
                (ResidentKiB() - alone) / 1024.0);

    const auto stopping = steady_clock::now();
    server.Stop();
    std::printf("stop_with_%d_streams = %.3f ms\n", kClients,
                duration<double, std::milli>(steady_clock::now() - stopping).count());
    return 0;
}
