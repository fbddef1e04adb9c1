#pragma once

#include "feed/FeedSnapshot.h"
#include "feed/SocketWatch.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

struct MHD_Connection;
struct MHD_Response;

// The hall's latest state and the push to the clients of the event stream.
// Publish() stores a snapshot and wakes a thread of its own, which turns it
// into a message ("data: {…}\n\n") at the end of a short list that all
// streams share, and resumes the streams waiting for one. Each stream keeps
// only its place in that list: one that falls more than the list behind
// (a client that does not read) skips to the newest message, so a slow
// client costs memory and time for its own connection alone. The same thread
// sends a comment line to every stream at the heartbeat interval while any
// stream is open (without one it sleeps until a change), and watches
// the suspended streams' sockets so that a client that closed its end loses
// its connection at once rather than at the next write (on Windows, one that
// sent bytes before it closed is found by the next write).
class EventStreams {
public:
    EventStreams() = default;
    ~EventStreams();
    EventStreams(const EventStreams &) = delete;
    EventStreams &operator=(const EventStreams &) = delete;

    // False when the system has nothing left for its wake-up.
    bool Start(std::chrono::milliseconds heartbeat);
    // Ends every stream (the waiting ones are resumed to close) and the thread.
    // Call before the server itself stops.
    void Stop();

    // Any thread; never waits for a client.
    void Publish(FeedSnapshot snapshot);
    FeedSnapshot Latest() const;

    // The response that streams to this connection, beginning with the
    // current state; called on the server's thread.
    MHD_Response *NewStream(MHD_Connection *connection);
    std::size_t Streams() const;

private:
    struct Stream;
    using Message = std::shared_ptr<const std::string>;

    static ssize_t Read(void *stream, std::uint64_t position, char *buffer, std::size_t size);
    static void Free(void *stream);
    void Run();
    void BuildMessage(std::unique_lock<std::mutex> &lock);
    static void Resume(const std::vector<Stream *> &streams);
    // The streams among those given whose client has gone, taken out of the
    // waiting ones and marked; waits at most until deadline (if any) or a Wake().
    std::vector<Stream *> WaitForChange(std::unique_lock<std::mutex> &lock,
                                        std::optional<std::chrono::steady_clock::time_point> deadline);

    std::chrono::milliseconds heartbeat_{15'000};
    mutable std::mutex mutex_;
    // Wakes the thread from its wait: a change, a newly suspended stream, Stop().
    SocketWatch watch_;
    FeedSnapshot latest_;
    std::uint64_t version_ = 0;
    std::uint64_t built_ = 0;
    // The newest messages; front() has the number firstMessage_.
    std::deque<Message> messages_;
    std::uint64_t firstMessage_ = 0;
    std::uint64_t heartbeats_ = 0;
    // Streams suspended until there is something new.
    std::vector<Stream *> waiting_;
    std::size_t streams_ = 0;
    bool stopping_ = true;
    std::thread thread_;
};
