#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/TFrameL.h"
#include "dialogs/TForm2.h"
#include "serial/TComPort.h"
#include "widgets/TImage.h"
#include "widgets/TShape.h"
#include "widgets/TLbSpeedButton.h"
#include "support/Printers.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t CTS = SerialDevice::MsCtsOn;
constexpr std::uint32_t DSR = SerialDevice::MsDsrOn;

// What an indicator shows: 0 lever, 1 red bar, 2 neither with silver points.
int shown(const TFrameL *frame)
{
    const bool bar = !frame->Shape_01->isHidden();
    const bool lever = !frame->Image_01->isHidden();
    const bool yellow = frame->Shape_04->BrushColor() == QColor(255, 255, 0);
    EXPECT_EQ(frame->Shape_05->BrushColor(), frame->Shape_04->BrushColor());
    if (bar && !lever && yellow)
        return 1;
    if (lever && !bar && yellow)
        return 0;
    if (!bar && !lever && !yellow)
        return 2;
    return -1;
}

// The program on simulated COM2 with the barriers' lines at start.
class SensorTest : public ::testing::Test {
protected:
    void start(std::uint32_t linesAtStart = 0)
    {
        test.ports = {2};
        test.Start();
        test.lines->SetLines(2, linesAtStart);
        test.main().ComPort->Open();
        test.hall().SetCapacity(50);
    }

    // Changes the lines and waits until the program has handled the change.
    void set(std::uint32_t lines)
    {
        const int handled = handlerRuns;
        const std::uint32_t before = test.lines->Lines(2);
        test.lines->SetLines(2, lines);
        const int expected = ((before ^ lines) & CTS ? 1 : 0) + ((before ^ lines) & DSR ? 1 : 0);
        ASSERT_TRUE(WaitUntil([&] { return handlerRuns == handled + expected; }));
    }

    void countHandlerRuns()
    {
        for (TComPort::TNotifyEvent *handler : {&test.main().ComPort->OnCTS, &test.main().ComPort->OnDSR}) {
            *handler = [this, original = *handler](QObject *sender) {
                original(sender);
                ++handlerRuns;
            };
        }
    }

    CounterState &state() { return test.state(); }
    TFormMain &main() { return test.main(); }

    TestApplication test;
    int handlerRuns = 0;
};

TEST_F(SensorTest, BeforeThePortOpensTheIndicatorsShowNoReading)
{
    test.settings.keyExists = true;
    test.settings.values["Port"] = 0;
    test.Start();
    EXPECT_FALSE(main().ComPort->Connected());
    EXPECT_EQ(shown(main().FrameL1), 2);
    EXPECT_EQ(shown(main().FrameL2), 2);
}

TEST_F(SensorTest, StartOpensTheStoredPortAndTakesTheLinesAsBaseline)
{
    test.ports = {2};
    test.Start();
    EXPECT_TRUE(main().ComPort->Connected());
    EXPECT_EQ(state().LineState, 0u);
    EXPECT_EQ(shown(main().FrameL1), 0);
}

TEST_F(SensorTest, OpeningWithAContactClosedShowsTheBarAndCountsNothing)
{
    start(DSR);
    EXPECT_EQ(state().LineState, DSR);
    EXPECT_EQ(shown(main().FrameL1), 1);
    EXPECT_EQ(shown(main().FrameL2), 0);
    EXPECT_EQ(state().VisitorCount, 0);
}

TEST_F(SensorTest, EntryCountsWhenItsLineReachesTheChosenLevel)
{
    start(DSR);
    countHandlerRuns();
    set(0); // contact opens: ContaktIn false counts
    EXPECT_EQ(main().Label1->text(), "1");
    EXPECT_EQ(shown(main().FrameL1), 0);
    set(DSR); // closes again: no count
    EXPECT_EQ(main().Label1->text(), "1");
    EXPECT_EQ(shown(main().FrameL1), 1);

    state().ContaktIn = true;
    set(0);
    EXPECT_EQ(state().VisitorCount, 1);
    set(DSR);
    EXPECT_EQ(state().VisitorCount, 2);
    EXPECT_EQ(state().LineState, DSR);
}

TEST_F(SensorTest, ExitCountsDownAndAtZeroOnlyMovesTheIndicator)
{
    start(CTS);
    countHandlerRuns();
    set(0);
    EXPECT_EQ(state().VisitorCount, 0);
    EXPECT_EQ(main().Label1->text(), "0");
    EXPECT_EQ(shown(main().FrameL2), 0);

    main().bIn->click();
    main().bIn->click();
    state().ContaktOut = true;
    set(CTS);
    EXPECT_EQ(state().VisitorCount, 1);
    EXPECT_EQ(shown(main().FrameL2), 1);
    set(0);
    EXPECT_EQ(state().VisitorCount, 1);
}

TEST_F(SensorTest, BothLinesInOneWaitAreEachActedOn)
{
    start(CTS | DSR);
    countHandlerRuns();
    main().bIn->click();
    main().bIn->click();
    set(0);
    // Two visitors at once, one in and one out: both count, both
    // indicators show the lines as they are.
    EXPECT_EQ(state().VisitorCount, 2);
    EXPECT_EQ(shown(main().FrameL2), 0);
    EXPECT_EQ(shown(main().FrameL1), 0);
    EXPECT_EQ(state().LineState, 0u);
}

TEST_F(SensorTest, AReadingEqualToTheLastWordChangesNothing)
{
    start(0);
    countHandlerRuns();
    main().bIn->click();
    // The contact opens and closes again before the GUI thread gets to it:
    // both handler runs read the lines as they were.
    test.lines->SetLines(2, DSR);
    ASSERT_TRUE(WaitWithoutEvents([&] { return main().ComPort->PendingHandOvers() == 1; }));
    test.lines->SetLines(2, 0);
    ASSERT_TRUE(WaitUntil([&] { return handlerRuns == 2; }));
    EXPECT_EQ(state().VisitorCount, 1);
    EXPECT_EQ(shown(main().FrameL1), 0);
    EXPECT_EQ(state().LineState, 0u);
}

TEST_F(SensorTest, WhileTheSettingsDialogIsOpenTheContactsAreShownNotCounted)
{
    start(DSR | CTS);
    countHandlerRuns();
    TForm2 *settings = &test.app().forms.Form2();
    settings->show();
    set(CTS); // entry opens
    EXPECT_EQ(settings->Image1->Picture().cacheKey(), settings->ImageOff->Picture().cacheKey());
    set(0); // exit opens
    EXPECT_EQ(settings->Image2->Picture().cacheKey(), settings->ImageOff->Picture().cacheKey());
    set(DSR);
    EXPECT_EQ(settings->Image1->Picture().cacheKey(), settings->ImageOn->Picture().cacheKey());
    EXPECT_EQ(state().VisitorCount, 0);
    EXPECT_EQ(shown(main().FrameL1), 1);
    EXPECT_EQ(shown(main().FrameL2), 0);
    settings->close();

    // A contact that changed during the test and stays so is not counted later.
    set(DSR | CTS);
    EXPECT_EQ(state().VisitorCount, 0);
}

TEST_F(SensorTest, ClosingThePortTurnsBothIndicatorsToNoReading)
{
    start(DSR);
    main().ComPort->Close();
    EXPECT_EQ(shown(main().FrameL1), 2);
    EXPECT_EQ(shown(main().FrameL2), 2);
    EXPECT_EQ(state().LineState, DSR);
}

TEST_F(SensorTest, AnUnpluggedAdapterShowsNoReading)
{
    start(DSR);
    test.lines->Unplug(2);
    ASSERT_TRUE(WaitUntil([&] { return !main().ComPort->Connected(); }));
    EXPECT_EQ(shown(main().FrameL1), 2);
    EXPECT_EQ(shown(main().FrameL2), 2);
}

TEST_F(SensorTest, ShutdownClosesThePort)
{
    start(0);
    test.Stop();
    EXPECT_FALSE(test.lines->IsOpen(2));
}

} // namespace
