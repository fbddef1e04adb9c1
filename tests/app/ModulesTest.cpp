#include "support/ProgramProcess.h"
#include "support/TestApplication.h"
#include "support/Wait.h"

#include "app/TFormMain.h"
#include "feed/FeedService.h"
#include "link/HallLink.h"

#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The shared libraries a process has mapped, by file name.
QStringList MappedLibraries(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QStringList libraries;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QString file = QFileInfo(QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1))).fileName();
        if (file.contains(QStringLiteral(".so")) && !libraries.contains(file))
            libraries << file;
    }
    return libraries;
}

bool Maps(const QStringList &libraries, const QString &name)
{
    return std::ranges::any_of(libraries, [&](const QString &file) { return file.startsWith(name); });
}

TEST(Modules, TheProgramAtRestMapsNoneOfTheModulesLibrariesAndTheFeedsOnceAPortIsSet)
{
    if (!QFile::exists(QStringLiteral("/proc/self/maps")))
        GTEST_SKIP() << "no /proc here";
    Program program;
    auto rest = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return program.Holds(*rest); }));
    const QStringList mapped = MappedLibraries(rest->processId());
    ASSERT_TRUE(Maps(mapped, QStringLiteral("libQt6Widgets")));
    for (const char *library : {"pontra-", "libQt6Charts", "libQt6OpenGL", "libmicrohttpd", "libgnutls",
                                "libmosquitto", "libssl", "libcrypto"})
        EXPECT_FALSE(Maps(mapped, QString::fromLatin1(library))) << library;
    rest->terminate();
    ASSERT_TRUE(rest->waitForFinished(10000));

    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    QSettings(program.SettingsFile(), QSettings::IniFormat).setValue(QStringLiteral("HttpPort"), port);
    auto serving = program.Start();
    ASSERT_TRUE(WaitUntil([&] { return Maps(MappedLibraries(serving->processId()), QStringLiteral("pontra-feed")); }));
    const QStringList withFeed = MappedLibraries(serving->processId());
    EXPECT_TRUE(Maps(withFeed, QStringLiteral("libmicrohttpd")));
    EXPECT_FALSE(Maps(withFeed, QStringLiteral("libmosquitto")));
    EXPECT_FALSE(Maps(withFeed, QStringLiteral("libQt6Charts")));
    serving->terminate();
    ASSERT_TRUE(serving->waitForFinished(10000));
}

TEST(Modules, WithoutItsModulesTheProgramCountsOnAndTellsOfEachOnce)
{
    QTemporaryDir empty;
    TestApplication test;
    test.moduleFolders = {empty.path()};
    test.Store({{"HttpPort", 8}, {"Broker", "127.0.0.1:1883"}});
    test.Start();
    test.main().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&test.main()));
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_EQ(test.hall().Count(), 1);
    EXPECT_FALSE(test.app().Feed().Running());
    EXPECT_FALSE(test.app().Link().Running());

    QTest::keyClick(&test.main(), Qt::Key_F6);
    QTest::keyClick(&test.main(), Qt::Key_F6);
    EXPECT_EQ(test.app().forms.FormDayChart, nullptr);
    QTest::keyClick(&test.main(), Qt::Key_F4);
    EXPECT_EQ(test.hall().Count(), 2);
    ASSERT_TRUE(WaitUntil([&] { return test.notices.size() >= 3; })) << test.notices.join('\n').toStdString();
    QCoreApplication::processEvents();
    ASSERT_EQ(test.notices.size(), 3) << test.notices.join('\n').toStdString();
    for (const char *file : {"pontra-feed", "pontra-link", "pontra-chart"}) {
        EXPECT_EQ(test.notices.filter(QString::fromLatin1(file)).size(), 1) << file;
    }
    for (const QString &notice : test.notices) {
        EXPECT_TRUE(notice.contains(empty.path())) << notice.toStdString();
        EXPECT_TRUE(notice.contains(QStringLiteral("zählt ohne diesen Teil weiter"))) << notice.toStdString();
    }
    EXPECT_TRUE(test.notices.filter(QStringLiteral("pontra-chart")).first().startsWith("Der Tagesverlauf"));
    test.Stop();
}

} // namespace
