#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

// Runs requests of a worker thread on the GUI thread, one at a time, and
// blocks the worker until its request has run there. An exception thrown by
// a request is caught on the GUI thread and thrown again in the worker.
//
// Waiting on the GUI thread for a worker to end must go through WaitServing,
// which keeps running requests meanwhile: a plain join would deadlock against
// a worker blocked in Run.
class GuiHandOver : public QObject {
    Q_OBJECT
public:
    explicit GuiHandOver(QObject *parent = nullptr);

    // Worker thread: hands request over and waits until it has run.
    void Run(const std::function<void()> &request);

    // GUI thread: runs every pending request.
    void Drain();

    // GUI thread: serves requests until done() holds; calls tick() about
    // every tickInterval meanwhile (to repeat a wake-up of the worker).
    void WaitServing(const std::function<bool()> &done, const std::function<void()> &tick);

    // Any thread: makes a WaitServing look at done() again at once.
    void Wake();

    // Any thread: requests handed over and not yet taken up by the GUI
    // thread; lets a test see that a worker has reached its hand-over.
    std::size_t Pending() const;

    static constexpr std::chrono::milliseconds tickInterval{2};

private:
    struct Request {
        const std::function<void()> *run;
        std::exception_ptr error;
        bool done = false;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Request *> queue_;
};
