// The stop lamp through the broker in the whole program, as mosquitto_sub
// sees it.
#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/LampControl.h"
#include "feed/FeedSnapshot.h"
#include "link/MosquittoBroker.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kRedTopic = QStringLiteral("tuer/ampel/rot");

// A reconnection waits up to 2 s between its tries.
template <typename Condition>
bool Eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 30000);
}

QStringList Connect(const MosquittoBroker &broker)
{
    const std::string address = broker.Address();
    return {"-h", "127.0.0.1", "-p", QString::fromStdString(address.substr(address.rfind(':') + 1))};
}

// The message the broker keeps on the topic, as mosquitto_sub prints it.
QString Retained(const MosquittoBroker &broker, const QString &topic)
{
    QProcess sub;
    sub.start("mosquitto_sub", Connect(broker) + QStringList{"-t", topic, "--retained-only", "-C", "1", "-W", "5"});
    if (!sub.waitForFinished(10000)) {
        sub.kill();
        sub.waitForFinished();
    }
    return QString::fromUtf8(sub.readAllStandardOutput()).trimmed();
}

// A hall of 3 with its barriers on simulated COM2.
void Start(TestApplication &test, const MosquittoBroker &broker, const QString &redTopic)
{
    test.ports = {2};
    test.Store({{"Port", 2}, {"MaxCounter", 3}, {"Broker", QString::fromStdString(broker.Address())}});
    if (!redTopic.isEmpty())
        test.Store({{"LampTopicRed", redTopic}});
    test.Start();
}

TEST(StopLampBrokerTest, TheRedTopicIsOnRetainedFromTheCapacityOnAndOffBelowIt)
{
    MosquittoBroker broker;
    TestApplication test;
    Start(test, broker, kRedTopic);
    ASSERT_NE(test.app().Lamp(), nullptr);
    EXPECT_TRUE(Eventually([&] { return Retained(broker, kRedTopic) == "OFF"; }));

    for (int i = 0; i < 3; ++i)
        test.main().Rein1->trigger();
    EXPECT_TRUE(Eventually([&] { return Retained(broker, kRedTopic) == "ON"; }));
    EXPECT_EQ(test.app().FeedState().lamp, LampState::Red);
    test.main().Raus1->trigger();
    EXPECT_TRUE(Eventually([&] { return Retained(broker, kRedTopic) == "OFF"; }));
    EXPECT_EQ(test.app().FeedState().lamp, LampState::Green);

    // The program ends: nobody counts, the door shows red.
    test.Stop();
    EXPECT_TRUE(Eventually([&] { return Retained(broker, kRedTopic) == "ON"; }));
}

TEST(StopLampBrokerTest, WithoutALampTopicNothingButTheDoorLinkIsPublished)
{
    MosquittoBroker broker;
    QProcess everything;
    everything.start("mosquitto_sub", Connect(broker) + QStringList{"-t", "#", "-v"});
    ASSERT_TRUE(everything.waitForStarted());
    TestApplication test;
    Start(test, broker, {});
    for (int i = 0; i < 3; ++i)
        test.main().Rein1->trigger();

    // The door link's count of 3 came; no lamp is made to send anything.
    QString heard;
    EXPECT_TRUE(Eventually([&] {
        heard += QString::fromUtf8(everything.readAllStandardOutput());
        return heard.contains(QRegularExpression("pontra/halle/occupancy \\{[^\\n]*\"count\":3"));
    })) << heard.toStdString();
    EXPECT_EQ(test.app().Lamp(), nullptr);
    EXPECT_EQ(test.app().FeedState().lamp, std::nullopt);
    everything.kill();
    everything.waitForFinished();
    heard += QString::fromUtf8(everything.readAllStandardOutput());
    for (const QString &line : heard.split('\n', Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith("pontra/halle/")) << line.toStdString();
}

} // namespace
