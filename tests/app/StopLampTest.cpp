#include "support/TestApplication.h"
#include "support/Printers.h"
#include "support/Wait.h"

#include "app/LampControl.h"
#include "dialogs/TForm2.h"
#include "widgets/TLbSpeedButton.h"
#include "feed/FeedSnapshot.h"
#include "journal/JournalTestSupport.h"
#include "serial/LampLines.h"
#include "serial/TComPort.h"
#include "widgets/TShape.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono;

const system_clock::time_point kNoon = sys_days(year(2026) / March / 10) + hours(12);
constexpr LampState G = LampState::Green;
constexpr LampState A = LampState::Amber;
constexpr LampState R = LampState::Red;

// The program with its barriers on simulated COM2, COM3 free for the lamp,
// a journal and a clock the test sets.
class StopLampTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test.journalFile = folder.Path() / "journal.sqlite3";
        test.now = [this] { return kNoon; };
        test.ports = {2, 3};
    }

    void start(std::initializer_list<std::pair<QString, QVariant>> keys, std::int32_t capacity = 3)
    {
        test.Store({{"Port", 2}, {"MaxCounter", capacity}});
        test.Store(keys);
        test.Start();
        if (LampControl *lamp = test.app().Lamp())
            lamp->AddOutput([this](LampState state) { shown.push_back(state); });
    }

    void keys(QAction *key, int times)
    {
        for (int i = 0; i < times; ++i)
            key->trigger();
    }

    TempFolder folder;
    TestApplication test;
    std::vector<LampState> shown;
};

TEST_F(StopLampTest, NothingIsMadeWithoutALampAndEachSettingThatUsesOneMakesIt)
{
    start({});
    EXPECT_EQ(test.app().Lamp(), nullptr);
    EXPECT_FALSE(test.lines->IsOpen(3));
    EXPECT_TRUE(test.main().LampMark->isHidden());
    keys(test.main().Rein1, 3);

    // Topics without a broker send nothing: still no lamp.
    AdvancedSettings settings = test.app().Advanced;
    settings.LampTopicRed = "tuer/ampel/rot";
    test.app().ApplyAdvancedSettings(settings);
    EXPECT_EQ(test.app().Lamp(), nullptr);

    EXPECT_FALSE(test.lines->IsOpen(3));

    settings.LampPort = 3;
    test.app().ApplyAdvancedSettings(settings);
    ASSERT_NE(test.app().Lamp(), nullptr);
    // Made on a full hall: red from the start, without a row for it.
    EXPECT_EQ(test.app().Lamp()->State(), R);
    EXPECT_TRUE(test.lines->IsOpen(3));
    EXPECT_FALSE(test.lines->Dtr(3));
    EXPECT_FALSE(test.main().LampMark->isHidden());
    EXPECT_EQ(test.main().LampMark->toolTip(), "Ampel: voll");

    settings.LampPort = 0;
    test.app().ApplyAdvancedSettings(settings);
    EXPECT_EQ(test.app().Lamp(), nullptr);
    EXPECT_FALSE(test.lines->IsOpen(3));
    EXPECT_TRUE(test.main().LampMark->isHidden());
    test.Stop();
    EXPECT_EQ(ExportedRows(test.journalFile),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "REIN;+1;3"}));
}

// "Testen": green, amber, red a step each, then the hall's own state, also
// when the count changed it meanwhile; the test's colours are no rows.
TEST_F(StopLampTest, TheTestShowsEachColourAndEndsOnTheStateTheCountGivesNow)
{
    start({{"LampPort", 3}});
    LampControl &lamp = *test.app().Lamp();
    test.main().Rein1->trigger();
    lamp.RunTest();
    EXPECT_TRUE(lamp.Testing());
    // The hall fills while the test runs.
    keys(test.main().Rein1, 2);
    EXPECT_EQ(lamp.State(), R);
    EXPECT_EQ(lamp.Shown(), G);
    ASSERT_TRUE(WaitUntil([&] { return !lamp.Testing(); }));
    EXPECT_EQ(shown, std::vector<LampState>({G, A, R}));
    EXPECT_EQ(lamp.Shown(), R);
    EXPECT_FALSE(test.lines->Dtr(3));

    // Again, and it empties meanwhile.
    lamp.RunTest();
    test.main().Raus1->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !lamp.Testing(); }));
    EXPECT_EQ(shown, std::vector<LampState>({G, A, R, G, A, R, G}));
    EXPECT_TRUE(test.lines->Dtr(3));
    test.Stop();
    EXPECT_EQ(ExportedRows(test.journalFile),
              QStringList({"Start;Neubeginn;0", "REIN;+1;1", "REIN;+1;2", "REIN;+1;3", "Ampel rot;;3", "RAUS;-1;2",
                           "Ampel grün;;2"}));
}

// F4 up to the capacity: RTS ("full") on and DTR ("go") off; F5 below the
// hysteresis gives them back. What else moves the count or the capacity
// moves the lines alike.
TEST_F(StopLampTest, TheLampPortsLinesFollowTheCountTheCapacityAndAReset)
{
    start({{"LampPort", 3}, {"LampRtsMeaning", "full"}, {"LampHysteresis", 2}});
    TFormMain &main = test.main();
    const auto lamp = [this] { return std::pair{test.lines->Dtr(3), test.lines->Rts(3)}; };
    using Lines = std::pair<bool, bool>;
    const Lines go{true, false};
    const Lines full{false, true};
    EXPECT_EQ(lamp(), go);
    EXPECT_EQ(main.LampMark->toolTip(), "Ampel: frei");
    keys(main.Rein1, 3);
    EXPECT_EQ(lamp(), full);
    EXPECT_EQ(main.LampMark->toolTip(), "Ampel: voll");
    main.Raus1->trigger();
    EXPECT_EQ(lamp(), full) << "held through the hysteresis";
    main.Raus1->trigger();
    EXPECT_EQ(lamp(), go);

    // The capacity lowered to the count, and raised again.
    test.hall().SetCapacity(1);
    EXPECT_EQ(lamp(), full);
    test.hall().SetCapacity(3);
    EXPECT_EQ(lamp(), go);
    // The other doors' count far beyond the capacity, then RESET.
    test.hall().Apply({.source = HallSource::OtherDoors, .time = kNoon, .count = 40});
    EXPECT_EQ(lamp(), full);
    main.bResetClick();
    EXPECT_EQ(lamp(), go);

    // RTS meaning amber now, with a warning level: amber keeps "go".
    AdvancedSettings settings = test.app().Advanced;
    settings.LampRtsMeaning = AdvancedSettings::RtsMeaning::Amber;
    settings.WarnPercent = 50;
    test.app().ApplyAdvancedSettings(settings);
    keys(main.Rein1, 2);
    EXPECT_EQ(lamp(), Lines(true, true));
    EXPECT_EQ(main.LampMark->toolTip(), "Ampel: fast voll");
    main.Rein1->trigger();
    EXPECT_EQ(lamp(), Lines(false, false));

    // The colours changed no count.
    EXPECT_EQ(test.app().FeedState().count, 3);
    for (const PassageTotal &total : test.app().FeedState().passages)
        EXPECT_EQ(total.passages, total.source == HallSource::In ? 6u : total.source == HallSource::Out ? 2u : 0u);

    // At the end both lines go off as the port closes.
    test.Stop();
    EXPECT_FALSE(test.lines->IsOpen(3));
    EXPECT_EQ(lamp(), Lines(false, false));
    EXPECT_EQ(ExportedRows(test.journalFile).filter("Ampel"),
              QStringList({"Ampel rot;;3", "Ampel grün;;1", "Ampel rot;;1", "Ampel grün;;1", "Ampel rot;;40",
                           "Ampel grün;;0", "Ampel gelb;;2", "Ampel rot;;3"}));
}

// A run that takes over a full hall opens the lamp's port on red: "go" is
// never given.
TEST_F(StopLampTest, AStartThatTakesOverAFullHallOpensTheLampOnRed)
{
    start({{"ResumeCount", 1}});
    keys(test.main().Rein1, 4);
    test.Stop();
    start({{"ResumeCount", 1}, {"LampPort", 3}, {"LampRtsMeaning", "full"}});
    EXPECT_EQ(test.hall().Count(), 4);
    EXPECT_TRUE(test.lines->IsOpen(3));
    EXPECT_EQ(test.lines->DtrRaised(3), 0);
    EXPECT_TRUE(test.lines->Rts(3));
}

TEST_F(StopLampTest, TheBarriersPortIsNotTakenForTheLamp)
{
    start({{"LampPort", 2}});
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_EQ(test.notices, QStringList({"Die Ampel ist auf COM2 eingestellt, die Schnittstelle der Lichtschranken. "
                                         "Sie wird dort nicht geschaltet.\n\nWählen Sie unter Einstellungen (F2) → "
                                         "„Erweitert …“ eine andere Schnittstelle für die Ampel."}));
    EXPECT_EQ(test.app().LampPort(), nullptr);
    EXPECT_TRUE(test.main().ComPort->Connected());
    // The mark still shows what the lamp would.
    EXPECT_EQ(test.main().LampMark->toolTip(), "Ampel: frei");
}

// With LampOnFault, a lost barriers' port is blind counting: red until the
// port is back. Without it the lamp follows the count alone.
TEST_F(StopLampTest, ALostBarriersPortShowsRedOnlyWhenAskedTo)
{
    start({{"LampPort", 3}, {"LampOnFault", 1}});
    test.lines->Unplug(2);
    ASSERT_TRUE(WaitUntil([&] { return !test.lines->Dtr(3); }));
    test.lines->Plug(2);
    test.main().ComPort->Open();
    EXPECT_TRUE(test.lines->Dtr(3));

    AdvancedSettings settings = test.app().Advanced;
    settings.LampOnFault = false;
    test.app().ApplyAdvancedSettings(settings);
    test.lines->Unplug(2);
    ASSERT_TRUE(WaitUntil([&] { return !test.main().ComPort->Connected(); }));
    EXPECT_TRUE(test.lines->Dtr(3));
    settings.LampOnFault = true;
    test.app().ApplyAdvancedSettings(settings);
    EXPECT_FALSE(test.lines->Dtr(3)) << "the rule in effect at once";
}

// A barriers' port that never opened counts as blind as a lost one: red
// with LampOnFault until F2 opens one.
TEST_F(StopLampTest, ABarriersPortThatDidNotOpenShowsRedUntilOneIsChosen)
{
    test.Store({{"Port", 5}});
    test.Store({{"MaxCounter", 3}, {"LampPort", 3}, {"LampOnFault", 1}});
    test.Start();
    ASSERT_FALSE(test.main().ComPort->Connected());
    EXPECT_FALSE(test.lines->Dtr(3));
    EXPECT_EQ(test.main().LampMark->toolTip(), "Ampel: voll");

    TForm2 &dialog = test.app().forms.Form2();
    WhenIdle([&] {
        dialog.cbPort->setCurrentIndex(dialog.cbPort->findData(2));
        dialog.btn_Save->click();
    });
    test.main().bF2Click();
    ASSERT_TRUE(test.main().ComPort->Connected());
    EXPECT_TRUE(test.lines->Dtr(3));
}

// The barriers come first: F2 may give them the lamp's port, which the lamp
// then gives up, and the operator is told.
TEST_F(StopLampTest, ThePortChosenInF2ForTheBarriersIsTakenFromTheLamp)
{
    start({{"LampPort", 3}});
    ASSERT_TRUE(test.lines->IsOpen(3));
    TForm2 &dialog = test.app().forms.Form2();
    WhenIdle([&] {
        dialog.cbPort->setCurrentIndex(dialog.cbPort->findData(3));
        dialog.btn_Save->click();
    });
    test.main().bF2Click();
    EXPECT_EQ(test.main().ComPort->Port, 3);
    EXPECT_TRUE(test.main().ComPort->Connected());
    EXPECT_EQ(test.app().LampPort(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_TRUE(test.notices.last().startsWith("Die Ampel ist auf COM3 eingestellt")) << test.notices.last().toStdString();
}

// Unplugged: the operator is told once, the count goes on, and the lamp
// takes the state of the moment when its adapter is back.
TEST_F(StopLampTest, AnUnpluggedLampPortIsToldOnceAndSetAgainWhenBack)
{
    start({{"LampPort", 3}});
    EXPECT_TRUE(test.lines->Dtr(3));
    for (int round = 0; round < 2; ++round) {
        test.lines->Unplug(3);
        ASSERT_TRUE(WaitUntil([&] { return test.app().LampPort()->Retrying(); }));
        keys(test.main().Rein1, 3);
        test.lines->Plug(3);
        ASSERT_TRUE(WaitUntil([&] { return test.app().LampPort()->Connected(); }));
        EXPECT_FALSE(test.lines->Dtr(3));
        test.main().bResetClick();
        EXPECT_TRUE(test.lines->Dtr(3));
    }
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_EQ(test.notices.size(), 1);
    EXPECT_TRUE(test.notices.front().startsWith("Die Ampel an der Schnittstelle COM3 lässt sich nicht schalten"));
}

} // namespace
