#include "desktop/ScreenSaverInhibit.h"

#include "support/Wait.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// A screen saver of its own on the bus: it grants holds and notes the calls.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        calls << QStringLiteral("Inhibit %1: %2").arg(application, reason);
        return 41 + calls.size();
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

// A session bus of the test's own, ended by its process id.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
        if (!daemon.waitForStarted())
            GTEST_SKIP() << "dbus-daemon is missing (package dbus)";
        ASSERT_TRUE(WaitUntil([&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    void TearDown() override
    {
        for (const QString &name : connections)
            QDBusConnection::disconnectFromBus(name);
        daemon.terminate();
        daemon.waitForFinished();
    }
    QDBusConnection Connect(const QString &name)
    {
        connections << name;
        return QDBusConnection::connectToBus(address, name);
    }

    QProcess daemon;
    QString address;
    QStringList connections;
};

TEST_F(PrivateBus, TheHoldIsAskedForAndGivenBackAlsoWhenReleasedBeforeTheAnswer)
{
    QDBusConnection service = Connect("screensaver");
    FakeScreenSaver saver;
    ASSERT_TRUE(service.registerService("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(service.registerObject("/org/freedesktop/ScreenSaver", &saver, QDBusConnection::ExportAllSlots));

    ScreenSaverInhibit inhibit(Connect("program"), "pontra");
    inhibit.Hold("Anzeige offen");
    inhibit.Hold("noch einmal");
    ASSERT_TRUE(WaitUntil([&] { return inhibit.Held(); }));
    inhibit.Release();
    ASSERT_TRUE(WaitUntil([&] { return saver.calls.size() == 2; }));
    EXPECT_EQ(saver.calls, QStringList({"Inhibit pontra: Anzeige offen", "UnInhibit 42"}));

    // Released while the answer is on its way: given back as soon as it comes.
    inhibit.Hold("Anzeige offen");
    inhibit.Release();
    ASSERT_TRUE(WaitUntil([&] { return saver.calls.size() == 4; }));
    EXPECT_EQ(saver.calls.last(), "UnInhibit 44");
    EXPECT_FALSE(inhibit.Held());
}

} // namespace

#include "ScreenSaverInhibitTest.moc"
