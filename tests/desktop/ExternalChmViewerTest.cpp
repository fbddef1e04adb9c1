#include "desktop/ExternalChmViewer.h"

#include "support/TestFiles.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Whether the process has ended: gone, or a zombie left for its new parent.
bool Ended(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

// The external viewer on a PATH and XDG folders of the test's own. GLib
// reads the XDG folders once per process, so every test uses the same ones,
// emptied for it.
class ExternalChmViewerTest : public ::testing::Test {
protected:
    static QString Folder(const QString &name)
    {
        static QTemporaryDir root;
        return root.filePath(name);
    }

    void SetUp() override
    {
        saved = {{"PATH", qgetenv("PATH")},
                 {"XDG_DATA_HOME", qgetenv("XDG_DATA_HOME")},
                 {"XDG_DATA_DIRS", qgetenv("XDG_DATA_DIRS")},
                 {"XDG_CONFIG_HOME", qgetenv("XDG_CONFIG_HOME")},
                 {"XDG_CONFIG_DIRS", qgetenv("XDG_CONFIG_DIRS")}};
        for (const char *folder : {"bin", "data/applications", "config", "none", "help"}) {
            QDir(Folder(folder)).removeRecursively();
            ASSERT_TRUE(QDir().mkpath(Folder(folder)));
        }
        qputenv("PATH", QFile::encodeName(Folder("bin")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Folder("data")));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(Folder("none")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Folder("config")));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(Folder("none")));
        log = Folder("help/viewer.log");
        help = Folder("help/pontra.chm");
        writeFile(help, "ITSF");
    }
    void TearDown() override
    {
        for (const auto &[name, value] : saved)
            qputenv(name, value);
    }

    // A viewer that notes its name and arguments, one a line, and stays open
    // until it is ended; first runs before.
    void viewer(const QString &name, const QByteArray &first = {})
    {
        writeFile(Folder("bin/" + name),
                  "#!/bin/sh\n" + first + "\nfor a in \"$0\" \"$@\"; do echo \"$a\"; done >> '" + QFile::encodeName(log)
                      + "'\nexec /bin/sleep 60\n",
                  true);
    }
    // The registered default application for CHM files.
    void registerDefault(const QByteArray &exec)
    {
        writeFile(Folder("data/applications/chmshow.desktop"),
                  "[Desktop Entry]\nType=Application\nName=CHM\nExec=" + exec
                      + "\nMimeType=application/vnd.ms-htmlhelp;\n");
        writeFile(Folder("config/mimeapps.list"), "[Default Applications]\napplication/vnd.ms-htmlhelp=chmshow.desktop\n");
    }
    QStringList logged()
    {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    std::vector<std::pair<const char *, QByteArray>> saved;
    QString log;
    QString help;
};

TEST_F(ExternalChmViewerTest, NothingOnPathAndNothingRegisteredIsNoViewer)
{
    ExternalChmViewer viewer;
    EXPECT_FALSE(viewer.Available());
    // Installed while the program runs: found when asked again.
    this->viewer("xchm");
    EXPECT_TRUE(viewer.Available());
}

TEST_F(ExternalChmViewerTest, TheStartRunsNoExternalProgramToFindTheViewer)
{
    viewer("xchm");
    writeFile(Folder("bin/xdg-mime"), "#!/bin/sh\necho run >> '" + QFile::encodeName(log) + "'\nexec /bin/sleep 60\n",
              true);
    ExternalChmViewer chm;
    EXPECT_TRUE(chm.Available());
    EXPECT_TRUE(logged().isEmpty());
}

TEST_F(ExternalChmViewerTest, ARequestBringsTheRunningViewerForwardOrElseStartsIt)
{
    viewer("xchm");
    bool windowFound = true;
    QList<pid_t> raised;
    ExternalChmViewer chm([&](pid_t group) {
        raised << group;
        return windowFound;
    });
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 2; }));
    const pid_t first = chm.Group();
    ASSERT_GT(first, 0);

    chm.DisplayTableOfContents(help);
    EXPECT_EQ(raised, QList<pid_t>{first});
    EXPECT_EQ(chm.Group(), first);

    // No window to bring to the front (minimised where that cannot be
    // undone, or no window manager): the viewer starts anew, in front.
    windowFound = false;
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 4; }));
    EXPECT_TRUE(Ended(first));
    const pid_t second = chm.Group();
    EXPECT_NE(second, first);

    // Closed by the operator: the next request starts it again.
    ASSERT_EQ(kill(second, SIGTERM), 0);
    ASSERT_TRUE(WaitUntil([&] { return chm.Group() == 0; }));
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 6; }));
    EXPECT_GT(chm.Group(), 0);
    EXPECT_EQ(raised.size(), 2);
    EXPECT_EQ(logged().mid(0, 2), QStringList({Folder("bin/xchm"), help}));
}

TEST_F(ExternalChmViewerTest, TheEndEndsEveryProcessOfTheViewer)
{
    // A viewer whose window is a second process, as with a launcher.
    viewer("xchm", "/bin/sleep 60 &\necho $! > '" + QFile::encodeName(Folder("help/second")) + "'");
    pid_t second = 0;
    {
        ExternalChmViewer chm;
        chm.DisplayTableOfContents(help);
        ASSERT_TRUE(WaitUntil([&] { return logged().size() == 2; }));
        QFile pid(Folder("help/second"));
        ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
        second = pid.readAll().trimmed().toInt();
        ASSERT_GT(second, 0);
        EXPECT_FALSE(Ended(second));
    }
    EXPECT_TRUE(WaitUntil([&] { return Ended(second); }));
}

TEST_F(ExternalChmViewerTest, TheRegisteredDefaultApplicationComesFirst)
{
    viewer("xchm");
    viewer("chmshow");
    registerDefault("chmshow --toc %f %i");
    ExternalChmViewer chm;
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 3; }));
    EXPECT_EQ(logged(), QStringList({Folder("bin/chmshow"), "--toc", help}));
}

TEST_F(ExternalChmViewerTest, AFolderNameIsNeverRunAsACommand)
{
    viewer("chmshow");
    // The shell and touch are on PATH, should anything run the name.
    qputenv("PATH", QFile::encodeName(Folder("bin")) + ":/usr/bin:/bin");
    qputenv("PONTRA_MARKER", QFile::encodeName(Folder("help/ran")));
    const QString folders[] = {"Pontra $(touch \"$PONTRA_MARKER\")", "Pontra `touch \"$PONTRA_MARKER\"`",
                               "Pontra '$(touch \"$PONTRA_MARKER\")'", "Pontra %f \\\"; touch \"$PONTRA_MARKER\"; \""};
    // The second breaks the rules (a field code inside a quoted argument),
    // as entries in the wild do.
    for (const char *exec : {"chmshow %f", "/bin/sh -c \"chmshow %f\""}) {
        registerDefault(exec);
        for (const QString &folder : folders) {
            SCOPED_TRACE((exec + (" in " + folder)).toStdString());
            QFile::remove(log);
            const QString file = Folder("help/" + folder + "/pontra.chm");
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
            writeFile(file, "ITSF");
            ExternalChmViewer chm;
            chm.DisplayTableOfContents(file);
            // The well-formed entry gets the file as one argument; the other
            // may fail on it, but must run nothing else.
            if (QByteArray(exec) == "chmshow %f") {
                ASSERT_TRUE(WaitUntil([&] { return logged().size() == 2; }));
                EXPECT_EQ(logged().last(), file);
            } else {
                ASSERT_TRUE(WaitUntil([&] { return logged().size() == 2 || chm.Group() == 0; }));
            }
            EXPECT_FALSE(QFile::exists(Folder("help/ran")));
        }
    }
    qunsetenv("PONTRA_MARKER");
}

} // namespace
