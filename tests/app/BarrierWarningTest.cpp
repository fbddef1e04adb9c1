#include "support/TestApplication.h"
#include "support/Wait.h"

#include "feed/FeedSnapshot.h"
#include "app/TFrameL.h"
#include "hall/LocalTime.h"
#include "journal/JournalTestSupport.h"
#include "serial/TComPort.h"
#include "widgets/TTrayIcon.h"

#include <QEventLoop>
#include <QLabel>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono;

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;
// Both beams clear: the barriers count when their line goes off.
constexpr std::uint32_t kClear = DSR | CTS;

const system_clock::time_point kNoon = sys_days(year(2026) / March / 10) + hours(12);

QString ClockText(system_clock::time_point at)
{
    const hh_mm_ss<seconds> clock(LocalTimeAt(at).timeOfDay);
    return QString::asprintf("%02d:%02d:%02d", static_cast<int>(clock.hours().count()),
                             static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
}

// The program on simulated COM2 with a journal and a clock the test sets.
class BarrierWarningTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test.journalFile = folder.Path() / "journal.sqlite3";
        test.now = [this] { return clock; };
        test.ports = {2};
    }

    void start(std::initializer_list<std::pair<QString, QVariant>> advanced = {})
    {
        test.Store(advanced);
        test.Start();
        test.hall().SetCapacity(50);
        lines(kClear);
    }

    // Sets the simulated lines and waits until the program has read them.
    void lines(std::uint32_t levels)
    {
        test.lines->SetLines(2, levels);
        ASSERT_TRUE(WaitUntil([&] { return test.state().LineState == levels; }));
    }

    static bool marked(const TFrameL *indicator) { return !indicator->Warning->isHidden(); }

    TFormMain &main() { return test.main(); }

    TempFolder folder;
    system_clock::time_point clock = kNoon;
    TestApplication test;
};

TEST_F(BarrierWarningTest, ABlockedEntryIsMarkedToldInTheTrayOnceAndJournaledUntilItClears)
{
    start({{"BlockedSeconds", 60}});
    // The limit as the dialog's OK sets it, in effect at once.
    AdvancedSettings advanced = test.app().Advanced;
    advanced.BlockedSeconds = 30;
    test.app().ApplyAdvancedSettings(advanced);
    main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main()));
    main().setWindowState(main().windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(WaitUntil([&] { return test.tray->Shown; }));

    lines(CTS); // a visitor in, and the beam stays interrupted
    clock += seconds(30);
    ASSERT_TRUE(WaitUntil([&] { return marked(main().FrameL1); }));
    const QString warning = "Lichtschranke Eingang unterbrochen seit " + ClockText(kNoon);
    EXPECT_EQ(main().FrameL1->toolTip(), warning);
    // Within the part of the indicator the window shows.
    const QLabel *mark = main().FrameL1->Warning;
    EXPECT_TRUE(main().rect().contains(QRect(mark->mapTo(&main(), QPoint(0, 0)), mark->size())));
    EXPECT_FALSE(marked(main().FrameL2));
    EXPECT_EQ(test.tray->Icon.Tip, warning);
    EXPECT_EQ(test.tray->Messages, QStringList({"Pontra 1.0: " + warning}));
    EXPECT_EQ(main().Label1->text(), "1");
    // The live feed says the same.
    EXPECT_EQ(test.app().FeedState().warnings, std::vector<std::string>({warning.toStdString()}));
    EXPECT_TRUE(test.app().FeedState().entryBlocked);
    EXPECT_FALSE(test.app().FeedState().exitBlocked);

    clock += seconds(5);
    lines(kClear);
    EXPECT_FALSE(marked(main().FrameL1));
    EXPECT_TRUE(main().FrameL1->toolTip().isEmpty());
    EXPECT_EQ(test.tray->Icon.Tip, "Pontra 1.0");
    EXPECT_EQ(test.tray->Messages.size(), 1);
    EXPECT_TRUE(test.app().FeedState().warnings.empty());
    EXPECT_FALSE(test.app().FeedState().entryBlocked);
    test.Stop();

    EXPECT_EQ(ExportedRows(test.journalFile),
              QStringList({"Start;Neubeginn;0", "Lichtschranke Eingang;+1;1", "Eingang blockiert;;1",
                           "Eingang frei;;1"}));
}

TEST_F(BarrierWarningTest, ALostPortMarksBothBarriersWithItsTimeUntilItIsOpenAgain)
{
    start();
    main().bInClick();
    clock += seconds(3);
    test.lines->Unplug(2);
    ASSERT_TRUE(WaitUntil([&] { return marked(main().FrameL1); }));
    const QString warning = "Schnittstelle COM2 getrennt seit " + ClockText(kNoon + seconds(3));
    EXPECT_EQ(main().FrameL1->toolTip(), warning);
    EXPECT_EQ(main().FrameL2->toolTip(), warning);

    test.lines->Plug(2);
    main().ComPort->Open();
    EXPECT_FALSE(marked(main().FrameL1));
    EXPECT_FALSE(marked(main().FrameL2));
    test.Stop();

    EXPECT_EQ(ExportedRows(test.journalFile),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "Schnittstelle getrennt;;1",
                           "Schnittstelle wieder verbunden;;1"}));
}

// The lines changed from a thread of the test's own, each change once the
// program has handled the one before, so that every bounce reaches it.
class DebounceTest : public BarrierWarningTest {
protected:
    void start(int debounceMs)
    {
        BarrierWarningTest::start({{"DebounceMs", debounceMs}});
        ASSERT_TRUE(WaitUntil([&] { return !main().DebouncePending(); }));
        main().ComPort->OnDSR = [this, original = main().ComPort->OnDSR](QObject *sender) {
            original(sender);
            ++handled;
        };
    }

    // Sets each of levels in turn, the event loop running meanwhile.
    void play(const std::vector<std::uint32_t> &levels)
    {
        QEventLoop loop;
        std::thread player([&] {
            for (const std::uint32_t level : levels) {
                const int before = handled;
                test.lines->SetLines(2, level);
                WaitWithoutEvents([&] { return handled > before; });
            }
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        player.join();
    }

    // A change to level with bounces: it flips back and forth first.
    static std::vector<std::uint32_t> bouncing(std::uint32_t from, std::uint32_t to, int bounces)
    {
        std::vector<std::uint32_t> levels{to};
        for (int i = 0; i < bounces; ++i)
            levels.insert(levels.end(), {from, to});
        return levels;
    }

    std::atomic<int> handled = 0;
};

TEST_F(DebounceTest, EveryBurstOfBouncesCountsOnePassage)
{
    start(200);
    for (int bounces = 1; bounces <= 10; ++bounces) {
        play(bouncing(kClear, CTS, bounces));
        ASSERT_TRUE(WaitUntil([&] { return !main().DebouncePending(); }));
        EXPECT_EQ(test.state().VisitorCount, bounces) << bounces << " bounces";
        play(bouncing(CTS, kClear, bounces));
        ASSERT_TRUE(WaitUntil([&] { return !main().DebouncePending(); }));
        EXPECT_EQ(test.state().VisitorCount, bounces) << bounces << " bounces on release";
    }
    // The bounces the count passed over still tell of a flickering barrier
    // (the test's clock stands still: they all fall within one second).
    const QString tip = main().FrameL1->toolTip();
    EXPECT_TRUE(tip.startsWith("Lichtschranke Eingang flattert seit ")) << tip.toStdString();
}

// The hold starts again from every change the line made, also from those
// no look at its level saw: a change back and forth before the program got
// to the first, and a flicker only the driver's counter tells of.
TEST_F(DebounceTest, ChangesNoReadingOfTheLevelSawStartTheHoldAgain)
{
    start(200);
    // Longer than the test takes: the pending level is never taken.
    const AdvancedSettings &advanced = test.app().Advanced;
    main().SetLineRules(minutes(10), seconds(advanced.BlockedSeconds), advanced.FlickerPerSecond);
    play({CTS}); // the entry's beam interrupted
    const auto interrupted = main().DebounceDeadline();
    ASSERT_TRUE(interrupted);

    test.lines->SetLines(2, kClear);
    ASSERT_TRUE(WaitWithoutEvents([&] { return main().ComPort->PendingHandOvers() == 1; }));
    const int before = handled;
    test.lines->SetLines(2, CTS);
    ASSERT_TRUE(WaitUntil([&] { return handled == before + 2; }));
    const auto backAgain = main().DebounceDeadline();
    ASSERT_TRUE(backAgain);
    EXPECT_GT(*backAgain, *interrupted);

    test.lines->Flicker(2, DSR);
    ASSERT_TRUE(WaitUntil([&] { return handled == before + 3; }));
    const auto flickered = main().DebounceDeadline();
    ASSERT_TRUE(flickered);
    EXPECT_GT(*flickered, *backAgain);
    EXPECT_EQ(test.state().VisitorCount, 0);
}

TEST_F(DebounceTest, AClearPassageCountsOnceItsLevelHeldTheDebounceTime)
{
    start(200);
    const auto changed = steady_clock::now();
    play({CTS});
    ASSERT_TRUE(WaitUntil([&] { return test.state().VisitorCount == 1; }));
    EXPECT_GE(steady_clock::now() - changed, milliseconds(200));
}

} // namespace
