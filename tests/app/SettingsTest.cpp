#include "support/TestApplication.h"

#include "dialogs/ApplicationTitle.h"
#include "display/Monitors.h"
#include "serial/TComPort.h"
#include "support/Printers.h"
#include "support/Wait.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void store(std::initializer_list<std::pair<QString, QVariant>> values)
    {
        test.settings.keyExists = true;
        for (const auto &[name, value] : values)
            test.settings.values[name] = value;
    }

    QPoint centred()
    {
        QRect frame = test.main().frameGeometry();
        frame.moveCenter(QGuiApplication::primaryScreen()->geometry().center());
        return frame.topLeft();
    }

    TestApplication test;
};

TEST_F(SettingsTest, FirstRunUsesDefaultsCentresAndStoresAllSevenValues)
{
    test.Start();
    test.main().show();
    EXPECT_EQ(test.main().ComPort->Port, 2);
    EXPECT_EQ(test.state().MaxCounter, 5);
    EXPECT_FALSE(test.state().ContaktIn);
    EXPECT_FALSE(test.state().ContaktOut);
    EXPECT_EQ(test.state().MonitorIndex, 0);
    EXPECT_EQ(test.main().pos(), centred());
    const QPoint place = test.main().pos();

    test.Stop();

    EXPECT_EQ(test.settings.writes,
              QStringList({"Port", "MaxCounter", "ContaktIn", "ContaktOut", "X", "Y", "Monitor"}));
    // Together, so that a store keeping them in one file writes it once.
    EXPECT_EQ(test.settings.batches, 1);
    EXPECT_EQ(test.settings.values["Port"], 2);
    EXPECT_EQ(test.settings.values["MaxCounter"], 5);
    EXPECT_EQ(test.settings.values["X"], place.x());
    EXPECT_EQ(test.settings.values["Y"], place.y());
    EXPECT_FALSE(test.settings.keyOpen);
}

TEST_F(SettingsTest, AllValuesAreReadAndThePositionApplied)
{
    store({{"Port", 7}, {"MaxCounter", 300}, {"ContaktIn", 1}, {"ContaktOut", 2}, {"X", 1500}, {"Y", 20},
           {"Monitor", 3}});
    test.Start();
    test.main().show();

    EXPECT_EQ(test.main().ComPort->Port, 7);
    EXPECT_EQ(test.state().MaxCounter, 300);
    EXPECT_TRUE(test.state().ContaktIn);
    EXPECT_TRUE(test.state().ContaktOut);
    EXPECT_EQ(test.state().MonitorIndex, 3);
    EXPECT_EQ(test.main().pos(), QPoint(1500, 20));
    EXPECT_FALSE(test.settings.keyOpen);
}

TEST_F(SettingsTest, APlaceOffEveryMonitorIsMovedOntoTheNearestAndStoredSo)
{
    // The 32-bit limits too, where any sum or difference in 32 bits overflows.
    constexpr int kMax = std::numeric_limits<std::int32_t>::max();
    constexpr int kMin = std::numeric_limits<std::int32_t>::min();
    for (const auto &[x, y] : {std::pair{100000, 100000}, {-5000, -3000}, {32768, 40000}, {5000, 3000}, {kMax, kMax},
                               {kMin, kMin}, {kMax - 200, kMin + 50}}) {
        store({{"Port", 0}, {"MaxCounter", 9}, {"ContaktIn", 0}, {"ContaktOut", 0}, {"X", x}, {"Y", y}});
        test.Start();
        test.main().show();
        const QRect frame(test.main().pos(), test.main().size());
        EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(frame) || QRect(1920, 0, 1680, 1050).contains(frame))
            << x << "," << y << " shown at " << frame.x() << "," << frame.y();
        test.Stop();
        EXPECT_EQ(test.settings.values["X"], frame.x());
        EXPECT_EQ(test.settings.values["Y"], frame.y());
    }
}

TEST_F(SettingsTest, APlaceOffEveryMonitorStaysOffThePublicDisplaysMonitor)
{
    // Nearest to the second monitor, which the display was given.
    store({{"Port", 0}, {"MaxCounter", 9}, {"ContaktIn", 0}, {"ContaktOut", 0}, {"X", 100000}, {"Y", 100000},
           {"Monitor", 1}});
    test.Start();
    test.main().show();
    EXPECT_TRUE(MonitorRect(0).contains(QRect(test.main().pos(), test.main().size())));
}

TEST_F(SettingsTest, ReadingStopsAtTheFirstMissingValue)
{
    store({{"Port", 3}, {"ContaktIn", 1}, {"X", 10}, {"Y", 10}});
    test.Start();
    test.main().show();

    EXPECT_EQ(test.main().ComPort->Port, 3);
    EXPECT_EQ(test.state().MaxCounter, 5);
    EXPECT_FALSE(test.state().ContaktIn);
    EXPECT_EQ(test.main().pos(), centred());
}

TEST_F(SettingsTest, WithoutXTheWindowTakesItsDesignPlace)
{
    store({{"Port", 1}, {"MaxCounter", 9}, {"ContaktIn", 0}, {"ContaktOut", 1}, {"Y", 5}});
    test.Start();
    test.main().show();

    EXPECT_TRUE(test.state().ContaktOut);
    EXPECT_EQ(test.main().pos(), TFormMain::kDesignPosition);
}

TEST_F(SettingsTest, AValueOfAnotherTypeStopsTheReading)
{
    store({{"Port", 4}, {"MaxCounter", 80}, {"ContaktIn", QString("ja")}, {"ContaktOut", 1}, {"Monitor", 1}});
    test.Start();

    EXPECT_EQ(test.state().MaxCounter, 80);
    EXPECT_FALSE(test.state().ContaktIn);
    EXPECT_FALSE(test.state().ContaktOut);
    EXPECT_EQ(test.state().MonitorIndex, 0);
}

TEST_F(SettingsTest, PortKeepsItsLowByteAndIsWrittenBackSo)
{
    store({{"Port", 258}});
    test.Start();
    EXPECT_EQ(test.main().ComPort->Port, 2);
    test.Stop();
    EXPECT_EQ(test.settings.values["Port"], 2);
}

TEST_F(SettingsTest, ChangesMadeDuringTheRunAreWritten)
{
    store({{"Port", 5}});
    test.Start();
    test.hall().SetCapacity(120);
    test.state().ContaktOut = true;
    test.state().MonitorIndex = 1;
    test.main().ComPort->Port = 0;
    test.hall().Apply({.source = HallSource::In, .time = {}});
    test.Stop();

    EXPECT_EQ(test.settings.values["Port"], 0);
    EXPECT_EQ(test.settings.values["MaxCounter"], 120);
    EXPECT_EQ(test.settings.values["ContaktIn"], 0);
    EXPECT_EQ(test.settings.values["ContaktOut"], 1);
    EXPECT_EQ(test.settings.values["Monitor"], 1);
    EXPECT_FALSE(test.settings.values.contains("VisitorCount"));
}

TEST_F(SettingsTest, AFailedWriteNamesTheValueAndStopsTheWriting)
{
    test.settings.failWritesOf = "ContaktOut";
    test.Start();
    test.Stop();

    EXPECT_EQ(test.errors, QStringList{"Failed to set data for 'ContaktOut'"});
    EXPECT_EQ(test.settings.writes, QStringList({"Port", "MaxCounter", "ContaktIn"}));
    EXPECT_FALSE(test.settings.keyOpen);
}

TEST_F(SettingsTest, TheSystemsReasonForAFailedWriteFollowsOnASecondLine)
{
    test.settings.failWritesOf = "Port";
    test.settings.failReason = "No space left on device";
    test.Start();
    test.Stop();

    EXPECT_EQ(test.errors, QStringList{"Failed to set data for 'Port'\nNo space left on device"});
}

TEST_F(SettingsTest, AKeyThatCannotBeCreatedNamesTheFirstValueAndTheShutdownGoesOn)
{
    test.ports = {2};
    test.settings.createFails = true;
    test.Start();
    ASSERT_TRUE(test.lines->IsOpen(2));
    test.Stop();

    EXPECT_EQ(test.errors, QStringList{"Failed to set data for 'Port'"});
    EXPECT_TRUE(test.settings.writes.isEmpty());
    EXPECT_FALSE(test.lines->IsOpen(2));
}

TEST_F(SettingsTest, AnErrorAtShutdownAppearsOverTheHiddenMainWindowOnItsMonitor)
{
    const struct {
        const char *name;
        QPoint place;
        int monitor; // the one holding the window's centre
    } places[] = {
        {"on the second monitor", MonitorRect(1).topLeft() + QPoint(400, 300), 1},
        {"hanging over the second monitor", MonitorRect(1).topLeft() - QPoint(200, 0), 0},
    };
    for (const auto &place : places) {
        SCOPED_TRACE(place.name);
        TestApplication program;
        program.recordErrors = false;
        program.settings.failWritesOf = "Port";
        program.Start();
        program.main().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.main()));
        program.main().move(place.place);
        ASSERT_TRUE(WaitUntil([&] { return program.main().frameGeometry().topLeft() == place.place; }));
        const QRect mainFrame = program.main().frameGeometry();
        // Closed, as when the program ends.
        program.main().hide();

        QRect boxFrame;
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QObject inThisTest;
        QTimer::singleShot(0, &inThisTest, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxFrame = box->frameGeometry();
                caption = box->windowTitle();
                text = box->text();
                icon = box->icon();
                box->accept();
            }
        });
        program.Stop();

        EXPECT_EQ(text, "Failed to set data for 'Port'");
        EXPECT_EQ(caption, NoticeTitle());
        EXPECT_EQ(icon, QMessageBox::Critical);
        EXPECT_TRUE(MonitorRect(place.monitor).contains(boxFrame));
        EXPECT_LE(std::abs(boxFrame.center().y() - mainFrame.center().y()), 1);
        if (place.monitor == 1) {
            EXPECT_LE(std::abs(boxFrame.center().x() - mainFrame.center().x()), 1);
        }
    }
}

TEST_F(SettingsTest, FoundPortsFillTheAvailableSet)
{
    test.ports = {1, 33, 64, 65};
    test.Start();
    EXPECT_EQ(test.state().AvailablePorts, (std::uint64_t{1} << 0) | (std::uint64_t{1} << 32) | (std::uint64_t{1} << 63));
}

} // namespace
