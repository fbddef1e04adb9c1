#include "support/TestApplication.h"
#include "support/Wait.h"

#include "dialogs/TForm2.h"
#include "dialogs/TFormAdvanced.h"
#include "feed/FeedClient.h"
#include "feed/FeedService.h"
#include "feed/ListenSocket.h"
#include "hall/LocalTime.h"
#include "journal/JournalTestSupport.h"
#include "widgets/TLbSpeedButton.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// A port nobody listens on, as the system hands them out.
std::uint16_t FreePort()
{
    ListenSocket socket;
    std::string error;
    EXPECT_TRUE(OpenListenSocket("127.0.0.1", 0, socket, error)) << error;
    const std::uint16_t port = socket.port;
    CloseListenSocket(socket);
    return port;
}

std::string CountIs(int count)
{
    return "\"count\":" + std::to_string(count) + ",";
}

class LiveFeedTest : public ::testing::Test {
protected:
    void showMain()
    {
        test.main().show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&test.main()));
    }

    TestApplication test;
};

TEST_F(LiveFeedTest, FollowsReinAndRausAndEndsItsStreamsWithTheProgram)
{
    TempFolder folder;
    test.journalFile = folder.Path() / "journal.sqlite3";
    const auto at = sys_days(year(2026) / 12 / 9) + hours(13);
    test.now = [at] { return at; };
    const std::uint16_t port = FreePort();
    test.Store({{"HttpPort", port}});
    test.Start();
    showMain();
    ASSERT_TRUE(test.app().Feed().Running());

    FeedClient stream(port);
    stream.Send("GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(stream.ReadUntil("data: {") && stream.ReadUntil("}\n\n")) << stream.Received();
    EXPECT_NE(stream.Received().find(CountIs(0)), std::string::npos) << stream.Received();

    QTest::keyClick(&test.main(), Qt::Key_F4);
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_TRUE(stream.ReadUntil(CountIs(2))) << stream.Received();
    const FeedReply occupancy = Get(port, "/api/v1/occupancy");
    EXPECT_EQ(occupancy.status, 200);
    EXPECT_NE(occupancy.body.find(R"("capacity":5,"count":2,"placesLeft":3,"state":"open")"), std::string::npos)
        << occupancy.body;
    stream.Forget();
    QTest::keyClick(&test.main(), Qt::Key_F5);
    EXPECT_TRUE(stream.ReadUntil(CountIs(1))) << stream.Received();
    const std::string metrics = Get(port, "/metrics").body;
    for (const char *line : {"pontra_occupancy 1\n", "pontra_passages_total{direction=\"in\",source=\"rein\"} 2\n",
                             "pontra_passages_total{direction=\"out\",source=\"raus\"} 1\n"})
        EXPECT_NE(metrics.find(line), std::string::npos) << line << "missing in\n" << metrics;

    // The journal's day, once its writer has the rows: the start and the three keys.
    const LocalTime local = LocalTimeAt(at);
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(local.date.year()),
                  static_cast<unsigned>(local.date.month()), static_cast<unsigned>(local.date.day()));
    FeedReply day;
    EXPECT_TRUE(WaitUntil([&] {
        day = Get(port, std::string("/api/v1/day?date=") + date);
        return day.body.find(R"("change":"down")") != std::string::npos;
    })) << day.head << day.body;

    // A client still listening does not hold up the end, and the port closes with it.
    test.Stop();
    EXPECT_TRUE(stream.ReadUntilClosed());
    EXPECT_FALSE(FeedClient(port).Connected());
}

TEST_F(LiveFeedTest, ATakenPortGivesOneNoticeAndTheCountingGoesOn)
{
    ListenSocket taken;
    std::string error;
    ASSERT_TRUE(OpenListenSocket("127.0.0.1", 0, taken, error)) << error;
    test.Store({{"HttpPort", taken.port}});
    test.Start();
    showMain();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_TRUE(test.notices.first().startsWith(
        QStringLiteral("Die Live-Anzeige kann nicht starten: Port %1 ist schon belegt.").arg(taken.port)))
        << test.notices.first().toStdString();
    EXPECT_FALSE(test.app().Feed().Running());
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_EQ(test.hall().Count(), 1);

    // Another port serves at once; 0 closes it again.
    AdvancedSettings settings = test.app().Advanced;
    settings.HttpPort = FreePort();
    test.app().ApplyAdvancedSettings(settings);
    ASSERT_TRUE(test.app().Feed().Running());
    EXPECT_NE(Get(static_cast<std::uint16_t>(settings.HttpPort), "/api/v1/occupancy").body.find(CountIs(1)), std::string::npos);
    const std::uint16_t served = settings.HttpPort;
    settings.HttpPort = 0;
    test.app().ApplyAdvancedSettings(settings);
    EXPECT_FALSE(test.app().Feed().Running());
    EXPECT_FALSE(FeedClient(served).Connected());
    QCoreApplication::processEvents();
    EXPECT_EQ(test.notices.size(), 1);
    CloseListenSocket(taken);
}

TEST_F(LiveFeedTest, APortSetWhileCountingServesTheCountFromTheFirstRequest)
{
    // No port at start: the server's module is loaded only now, after the
    // passages it must already know of.
    test.Start();
    showMain();
    QTest::keyClick(&test.main(), Qt::Key_F4);
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_FALSE(test.app().Feed().Running());
    AdvancedSettings settings = test.app().Advanced;
    settings.HttpPort = FreePort();
    test.app().ApplyAdvancedSettings(settings);
    ASSERT_TRUE(test.app().Feed().Running());
    EXPECT_NE(Get(static_cast<std::uint16_t>(settings.HttpPort), "/api/v1/occupancy").body.find(CountIs(2)),
              std::string::npos);
}

TEST_F(LiveFeedTest, AnAddressOthersReachGetsAKeyWhichTheDialogShowsAndCopies)
{
    // 192.0.2.1 belongs to no computer: no test server listens beyond loopback.
    const std::uint16_t port = FreePort();
    test.Store({{"HttpPort", port}, {"HttpBind", "192.0.2.1"}});
    test.Start();
    ASSERT_TRUE(WaitUntil([&] { return !test.notices.isEmpty(); }));
    EXPECT_TRUE(test.notices.first().startsWith(
        "Die Live-Anzeige kann nicht starten: die Adresse 192.0.2.1 gibt es auf diesem Rechner nicht."))
        << test.notices.first().toStdString();
    const QString key = test.settings.values["HttpToken"].toString();
    EXPECT_EQ(key.size(), 64);
    EXPECT_EQ(test.app().Advanced.HttpToken, key);

    QString newKey;
    test.EditAdvanced([&](TFormAdvanced &dialog) {
        const QString address = QStringLiteral("http://192.0.2.1:%1/?token=%2").arg(port).arg(key);
        EXPECT_EQ(dialog.Tabs->tabText(dialog.Tabs->indexOf(dialog.edHttpToken->parentWidget())),
                  "Live-Anzeige im Browser");
        EXPECT_EQ(dialog.edHttpToken->text(), key);
        EXPECT_EQ(dialog.lblHttpAddress->text(), "Im Browser: " + address);
        dialog.btnCopyAddress->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), address);
        dialog.cbHttpBind->setCurrentText("192.0.2");
        EXPECT_FALSE(dialog.btn_OK->isEnabled());
        dialog.cbHttpBind->setCurrentText("127.0.0.1");
        dialog.btnNewToken->click();
        newKey = dialog.edHttpToken->text();
        EXPECT_NE(newKey, key);
        // A further name, not an address with its scheme.
        dialog.edHttpHosts->setText("http://anzeige.halle.example");
        dialog.btn_OK->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.edHttpHosts->setText("anzeige.halle.example  192.0.2.7");
        dialog.btn_OK->click();
    });
    EXPECT_EQ(test.settings.values["HttpToken"], newKey);
    EXPECT_EQ(test.settings.values["HttpBind"], "127.0.0.1");
    EXPECT_EQ(test.settings.values["HttpHosts"], "anzeige.halle.example 192.0.2.7");

    // A key once given holds on loopback too.
    ASSERT_TRUE(test.app().Feed().Running());
    EXPECT_EQ(Get(port, "/api/v1/occupancy").status, 401);
    EXPECT_EQ(Get(port, "/api/v1/occupancy?token=" + newKey.toStdString()).status, 200);
    for (const auto &[host, status] : {std::pair{"anzeige.halle.example", 200}, {"evil.example", 421}}) {
        EXPECT_EQ(Exchange(port, "GET /api/v1/occupancy?token=" + newKey.toStdString() + " HTTP/1.1\r\nHost: " + host
                                     + "\r\nConnection: close\r\n\r\n")
                      .status,
                  status)
            << host;
    }
    EXPECT_EQ(test.notices.size(), 1);
}

} // namespace
