#include "serial/TComThread.h"

#include "serial/GuiHandOver.h"
#include "serial/SerialDevice.h"
#include "serial/TComPort.h"

#include <QDebug>

#include <pthread.h>

TComThread::TComThread(TComPort &owner, SerialDevice &device, GuiHandOver &handOver)
    : owner_(owner), device_(device), handOver_(handOver), generation_(owner.Generation())
{
    device_.SetEventMask(owner_.EventFlags());
    thread_ = std::thread([this] { Execute(); });
    pthread_setname_np(thread_.native_handle(), "pontra-wait");
}

TComThread::~TComThread()
{
    RequestStop();
    // A single wake-up can land just before the wait starts; repeat it until
    // the thread has left, and keep serving its hand-overs meanwhile.
    handOver_.WaitServing([this] { return ended_.load(); }, [this] { device_.Interrupt(); });
    thread_.join();
}

void TComThread::RequestStop()
{
    stop_ = true;
    device_.Interrupt();
}

bool TComThread::HandOver(const std::function<void()> &request)
{
    // Counts on the GUI thread, so that a handler closing the port can tell
    // that this thread is waiting for it.
    struct Serving {
        TComThread &thread;
        explicit Serving(TComThread &t) : thread(t) { ++thread.handingOver_; }
        ~Serving()
        {
            --thread.handingOver_;
            thread.owner_.HandOverReturned();
        }
    };
    try {
        handOver_.Run([&] {
            Serving serving(*this);
            request();
        });
        return true;
    } catch (const std::exception &error) {
        qWarning("Serial line handler failed, no further line events until the port is reopened: %s", error.what());
    } catch (...) {
        qWarning("Serial line handler failed, no further line events until the port is reopened");
    }
    return false;
}

void TComThread::Execute()
{
    while (!stop_) {
        std::uint32_t events = 0;
        const SerialDevice::WaitResult result = device_.WaitEvent(events);
        // The lines with their counters as the wait left them; the moment is
        // taken after them, so that a later look at the lines tells its age.
        const ModemLines lines =
            result == SerialDevice::WaitResult::Completed ? device_.ReadModemLines() : ModemLines{};
        const auto returned = std::chrono::steady_clock::now();
        // A stop request wins over a wait that completed at the same time.
        if (stop_)
            break;
        if (result == SerialDevice::WaitResult::Interrupted)
            continue;
        if (result == SerialDevice::WaitResult::Failed) {
            // The device is gone (an unplugged adapter): waiting again would
            // fail at once, so leave and let the port close itself.
            HandOver([this] { owner_.LineLost(generation_); });
            break;
        }
        EventMask = events;
        Lines = lines;
        WaitReturned = returned;
        if (!HandOver([this] { owner_.DispatchEvents(EventMask, WaitReturned, Lines); }))
            break;
    }
    device_.Purge();
    ended_ = true;
    handOver_.Wake();
}
