#include "feed/EventStreams.h"

#include "feed/FeedJson.h"

#include <microhttpd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

// Enough for a burst of changes; a stream further behind skips to the newest.
constexpr std::size_t kKeptMessages = 16;
constexpr std::size_t kBlockSize = 4096;

const auto kHeartbeat = std::make_shared<const std::string>(": ping\n\n");
// A page that lost the program tries again after a second.
const auto kRetry = std::make_shared<const std::string>("retry: 1000\n\n");

} // namespace

struct EventStreams::Stream {
    EventStreams *owner;
    MHD_Connection *connection;
    SocketHandle socket;
    // The client closed its end: the next read ends the stream.
    bool gone = false;
    // The client sent bytes while suspended: not watched until suspended again.
    bool talking = false;
    // The number of the next message to send.
    std::uint64_t next;
    std::uint64_t heartbeats;
    Message sending;
    std::size_t sent = 0;
};

EventStreams::~EventStreams()
{
    Stop();
}

bool EventStreams::Start(std::chrono::milliseconds heartbeat)
{
    std::unique_lock lock(mutex_);
    if (!stopping_)
        return true;
    if (!watch_.Open())
        return false;
    stopping_ = false;
    heartbeat_ = heartbeat;
    // A new stream always finds the current state in the list.
    if (messages_.empty() || built_ != version_)
        BuildMessage(lock);
    thread_ = std::thread(&EventStreams::Run, this);
    return true;
}

void EventStreams::Stop()
{
    std::vector<Stream *> waiting;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        watch_.Wake();
    }
    thread_.join();
    {
        std::lock_guard lock(mutex_);
        waiting.swap(waiting_);
        watch_.Close();
    }
    Resume(waiting);
}

void EventStreams::Publish(FeedSnapshot snapshot)
{
    {
        std::lock_guard lock(mutex_);
        latest_ = std::move(snapshot);
        ++version_;
        // Stopped, there is no thread to wake: Start() builds the message.
        if (!stopping_)
            watch_.Wake();
    }
}

FeedSnapshot EventStreams::Latest() const
{
    std::lock_guard lock(mutex_);
    return latest_;
}

std::size_t EventStreams::Streams() const
{
    std::lock_guard lock(mutex_);
    return streams_;
}

MHD_Response *EventStreams::NewStream(MHD_Connection *connection)
{
    std::lock_guard lock(mutex_);
    const std::uint64_t newest = firstMessage_ + messages_.size() - 1;
    const auto *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    const SocketHandle socket = info ? static_cast<SocketHandle>(info->connect_fd) : kNoSocket;
    auto *stream = new Stream{this, connection, socket, false, false, newest, heartbeats_, kRetry};
    MHD_Response *response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, kBlockSize, &Read, stream, &Free);
    if (!response) {
        delete stream;
        return nullptr;
    }
    ++streams_;
    return response;
}

ssize_t EventStreams::Read(void *cls, std::uint64_t, char *buffer, std::size_t size)
{
    auto &stream = *static_cast<Stream *>(cls);
    EventStreams &owner = *stream.owner;
    std::lock_guard lock(owner.mutex_);
    if (owner.stopping_ || stream.gone)
        return MHD_CONTENT_READER_END_WITH_ERROR;
    if (!stream.sending || stream.sent == stream.sending->size()) {
        const std::uint64_t end = owner.firstMessage_ + owner.messages_.size();
        if (stream.next < end) {
            if (stream.next < owner.firstMessage_)
                stream.next = end - 1;
            stream.sending = owner.messages_[stream.next - owner.firstMessage_];
            ++stream.next;
        } else if (stream.heartbeats < owner.heartbeats_) {
            stream.heartbeats = owner.heartbeats_;
            stream.sending = kHeartbeat;
        } else {
            // Nothing to send: no polling, the thread resumes it.
            stream.talking = false;
            owner.waiting_.push_back(&stream);
            MHD_suspend_connection(stream.connection);
            owner.watch_.Wake(); // to watch it for the client's close
            return 0;
        }
        stream.sent = 0;
    }
    const std::size_t count = std::min(size, stream.sending->size() - stream.sent);
    std::memcpy(buffer, stream.sending->data() + stream.sent, count);
    stream.sent += count;
    return static_cast<ssize_t>(count);
}

void EventStreams::Free(void *cls)
{
    auto *stream = static_cast<Stream *>(cls);
    {
        std::lock_guard lock(stream->owner->mutex_);
        std::erase(stream->owner->waiting_, stream);
        --stream->owner->streams_;
    }
    delete stream;
}

void EventStreams::Run()
{
    std::unique_lock lock(mutex_);
    // Beats only while a stream is open: without clients the thread sleeps
    // until a change or a client comes.
    std::optional<std::chrono::steady_clock::time_point> beat;
    while (!stopping_) {
        if (streams_ == 0)
            beat.reset();
        else if (!beat)
            beat = std::chrono::steady_clock::now() + heartbeat_;
        std::vector<Stream *> resume;
        if (built_ == version_)
            resume = WaitForChange(lock, beat);
        if (stopping_) {
            // Stop() resumes them with the others.
            waiting_.insert(waiting_.end(), resume.begin(), resume.end());
            break;
        }
        bool fresh = built_ != version_;
        if (beat && std::chrono::steady_clock::now() >= *beat) {
            ++heartbeats_;
            beat = std::chrono::steady_clock::now() + heartbeat_;
            fresh = true;
        }
        if (built_ != version_)
            BuildMessage(lock);
        if (fresh) {
            resume.insert(resume.end(), waiting_.begin(), waiting_.end());
            waiting_.clear();
        }
        // Outside the lock, so that no lock of the server's is ever taken
        // while this one is held in the other order.
        lock.unlock();
        Resume(resume);
        lock.lock();
    }
}

std::vector<EventStreams::Stream *> EventStreams::WaitForChange(
    std::unique_lock<std::mutex> &lock, std::optional<std::chrono::steady_clock::time_point> deadline)
{
    // Only this thread resumes a waiting stream, so each of these stays
    // suspended, and its socket open, until the wait has returned.
    std::vector<Stream *> watched;
    std::vector<SocketHandle> sockets;
    for (Stream *stream : waiting_) {
        if (!stream->talking)
            watched.push_back(stream), sockets.push_back(stream->socket);
    }
    const auto left =
        deadline ? std::max(std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now()),
                            std::chrono::milliseconds(0))
                 : SocketWatch::kNoLimit;
    lock.unlock();
    const std::vector<SocketWatch::Peer> peers = watch_.Wait(sockets, left);
    lock.lock();
    std::vector<Stream *> gone;
    for (std::size_t i = 0; i < watched.size(); ++i) {
        if (peers[i] == SocketWatch::Peer::Talking)
            watched[i]->talking = true;
        if (peers[i] != SocketWatch::Peer::Gone)
            continue;
        watched[i]->gone = true;
        std::erase(waiting_, watched[i]);
        gone.push_back(watched[i]);
    }
    return gone;
}

void EventStreams::BuildMessage(std::unique_lock<std::mutex> &lock)
{
    const FeedSnapshot snapshot = latest_;
    built_ = version_;
    lock.unlock();
    auto message = std::make_shared<const std::string>("data: " + OccupancyJson(snapshot) + "\n\n");
    lock.lock();
    messages_.push_back(std::move(message));
    if (messages_.size() > kKeptMessages) {
        messages_.pop_front();
        ++firstMessage_;
    }
}

void EventStreams::Resume(const std::vector<Stream *> &streams)
{
    for (Stream *stream : streams)
        MHD_resume_connection(stream->connection);
}
