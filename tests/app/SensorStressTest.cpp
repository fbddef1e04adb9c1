#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/TFrameL.h"
#include "serial/TComPort.h"
#include "widgets/TShape.h"
#include "support/Printers.h"

#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <random>
#include <thread>

namespace {

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;
constexpr std::uint32_t RING = SerialDevice::MsRingOn;

// The counting rule on its own: what the count must be after each reading.
struct ReferenceModel {
    bool contaktIn;
    bool contaktOut;
    std::uint32_t lineState;
    int count = 0;

    bool exitActed = (lineState & CTS) != 0;
    bool entryActed = (lineState & DSR) != 0;

    void Change(std::uint32_t before, std::uint32_t now)
    {
        // The exit handler runs first; both read the word as it is now, and
        // each acts on its own line's level, once.
        if ((before ^ now) & CTS && bool(now & CTS) != exitActed) {
            if (bool(now & CTS) == contaktOut && count > 0)
                --count;
            exitActed = now & CTS;
            lineState = now;
        }
        if ((before ^ now) & DSR && bool(now & DSR) != entryActed) {
            if (bool(now & DSR) == contaktIn)
                ++count;
            entryActed = now & DSR;
            lineState = now;
        }
    }
};

// Handler runs, counted on the GUI thread and awaited by the line thread.
class HandlerCounter {
public:
    void Add()
    {
        {
            std::lock_guard lock(mutex_);
            ++runs_;
        }
        changed_.notify_all();
    }
    bool WaitFor(int runs)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return runs_ >= runs; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int runs_ = 0;
};

int watchedChanges(std::uint32_t before, std::uint32_t now)
{
    return ((before ^ now) & CTS ? 1 : 0) + ((before ^ now) & DSR ? 1 : 0);
}

TEST(SensorStress, RandomLineChangesCountExactlyAsTheRuleSays)
{
    for (const auto &[contaktIn, contaktOut] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
        TestApplication test({2});
        test.Start();
        test.state().ContaktIn = contaktIn;
        test.state().ContaktOut = contaktOut;
        HandlerCounter handled;
        TComPort *port = test.main().ComPort;
        for (TComPort::TNotifyEvent *handler : {&port->OnCTS, &port->OnDSR})
            *handler = [&handled, original = *handler](QObject *sender) {
                original(sender);
                handled.Add();
            };

        ReferenceModel model{contaktIn, contaktOut, test.state().LineState};
        // A plain event loop: it serves each hand-over at once.
        QEventLoop loop;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        bool stalled = false;
        std::thread lines([&] {
            std::mt19937 random(1234);
            std::uint32_t status = 0;
            int expectedRuns = 0;
            for (int step = 0; step < 1500; ++step) {
                const std::uint32_t next = status ^ (random() % 7 + 1) * CTS; // some of CTS, DSR, RING
                test.lines->SetLines(2, next);
                expectedRuns += watchedChanges(status, next);
                model.Change(status, next);
                if (!handled.WaitFor(expectedRuns)) {
                    stalled = true;
                    break;
                }
                status = next;
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        lines.join();
        ASSERT_FALSE(stalled);

        EXPECT_EQ(test.state().VisitorCount, model.count);
        EXPECT_EQ(test.main().Label1->text(), QString::number(model.count));
        EXPECT_EQ(test.state().LineState, model.lineState);
    }
}

TEST(SensorStress, OpenAndCloseWhileTheLinesKeepChanging)
{
    TestApplication test({2});
    test.Start();
    TComPort *port = test.main().ComPort;
    port->Close(); // opened at start
    // Every handler runs between an open and its close, never on a closed port.
    int opens = 0, closes = 0, strayRuns = 0;
    port->OnOpen = [&, original = port->OnOpen](QObject *sender) { ++opens; original(sender); };
    port->OnClose = [&, original = port->OnClose](QObject *sender) { ++closes; original(sender); };
    for (TComPort::TNotifyEvent *handler : {&port->OnCTS, &port->OnDSR})
        *handler = [&, original = *handler](QObject *sender) {
            if (!port->Connected() || opens != closes + 1)
                ++strayRuns;
            original(sender);
        };
    std::atomic<bool> stop = false;
    std::thread lines([&] {
        std::mt19937 random(99);
        while (!stop) {
            test.lines->SetLines(2, (random() % 4) * CTS);
            std::this_thread::yield();
        }
    });
    for (int cycle = 0; cycle < 300; ++cycle) {
        port->Open();
        ASSERT_TRUE(port->Connected());
        QCoreApplication::processEvents();
        port->Close();
        ASSERT_FALSE(port->Connected());
        ASSERT_TRUE(test.main().FrameL1->Shape_01->isHidden());
    }
    stop = true;
    lines.join();
    EXPECT_EQ(opens, 300);
    EXPECT_EQ(closes, 300);
    EXPECT_EQ(strayRuns, 0);
    EXPECT_EQ(test.main().Label1->text(), QString::number(test.state().VisitorCount));
    EXPECT_FALSE(test.lines->IsOpen(2));
}

} // namespace
