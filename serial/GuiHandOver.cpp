#include "serial/GuiHandOver.h"

GuiHandOver::GuiHandOver(QObject *parent) : QObject(parent) {}

void GuiHandOver::Run(const std::function<void()> &request)
{
    Request pending{&request, {}, false};
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(&pending);
    }
    changed_.notify_all();
    QMetaObject::invokeMethod(this, &GuiHandOver::Drain, Qt::QueuedConnection);
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pending.done; });
    }
    if (pending.error)
        std::rethrow_exception(pending.error);
}

void GuiHandOver::Drain()
{
    for (;;) {
        Request *request = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return;
            request = queue_.front();
            queue_.pop_front();
        }
        try {
            (*request->run)();
        } catch (...) {
            request->error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex_);
            request->done = true;
        }
        changed_.notify_all();
    }
}

void GuiHandOver::WaitServing(const std::function<bool()> &done, const std::function<void()> &tick)
{
    for (;;) {
        Drain();
        if (done())
            return;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, tickInterval, [&] { return !queue_.empty() || done(); });
        }
        if (done()) {
            Drain();
            return;
        }
        tick();
    }
}

void GuiHandOver::Wake()
{
    {
        std::lock_guard lock(mutex_);
    }
    changed_.notify_all();
}

std::size_t GuiHandOver::Pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}
