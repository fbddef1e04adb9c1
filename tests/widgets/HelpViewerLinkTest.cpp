#include "widgets/ExternalChmViewer.h"
#include "widgets/HelpViewerLink.h"

#include "support/RecordingHelpViewer.h"
#include "support/Wait.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
}

TEST(HelpViewerLink, TheRequestsFileOrElseTheApplicationsIsShownWhenItExists)
{
    QTemporaryDir dir;
    const QString help = dir.filePath("pontra.chm");
    const QString other = dir.filePath("other.chm");
    writeFile(help, "ITSF");
    writeFile(other, "ITSF");
    auto record = std::make_shared<RecordingHelpViewer::Record>();
    int warnings = 0;
    {
        HelpViewerLink link(std::make_unique<RecordingHelpViewer>(record), [&] { ++warnings; });
        link.ShowTableOfContents({}, help);
        link.ShowTableOfContents(other, help);
        link.ShowTableOfContents({}, dir.filePath("missing.chm"));
        link.ShowTableOfContents({}, dir.path());
        EXPECT_EQ(record->Shown, QStringList({help, other}));
        EXPECT_EQ(record->CloseAlls, 0);
    }
    EXPECT_EQ(record->CloseAlls, 1);
    EXPECT_EQ(warnings, 0);
}

TEST(HelpViewerLink, WithoutAViewerItWarnsOnceAndShowsNothing)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("pontra.chm"), "ITSF");
    auto record = std::make_shared<RecordingHelpViewer::Record>();
    record->Available = false;
    int warnings = 0;
    {
        HelpViewerLink link(std::make_unique<RecordingHelpViewer>(record), [&] { ++warnings; });
        EXPECT_EQ(warnings, 1);
        EXPECT_FALSE(link.Loaded());
        link.ShowTableOfContents({}, dir.filePath("pontra.chm"));
    }
    EXPECT_TRUE(record->Shown.isEmpty());
    EXPECT_EQ(record->CloseAlls, 0);
    EXPECT_EQ(warnings, 1);
}

// The external viewer on a PATH and data folders of the test's own.
class ExternalChmViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = {{"PATH", qgetenv("PATH")}, {"XDG_DATA_HOME", qgetenv("XDG_DATA_HOME")},
                 {"XDG_DATA_DIRS", qgetenv("XDG_DATA_DIRS")}};
        qputenv("PATH", dir.filePath("bin").toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", dir.filePath("none").toLocal8Bit());
        QDir(dir.path()).mkpath("bin");
        QDir(dir.path()).mkpath("data/applications");
        log = dir.filePath("viewer.log");
        help = dir.filePath("pontra.chm");
        writeFile(help, "ITSF");
    }
    void TearDown() override
    {
        for (const auto &[name, value] : saved)
            qputenv(name, value);
    }

    // A viewer that notes its arguments and stays open until it is ended.
    void viewer(const QString &name)
    {
        writeFile(dir.filePath("bin/" + name),
                  "#!/bin/sh\necho \"$@\" >> '" + log.toLocal8Bit() + "'\nexec /bin/sleep 60\n", true);
    }
    QStringList logged()
    {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    std::vector<std::pair<const char *, QByteArray>> saved;
    QString log;
    QString help;
};

TEST_F(ExternalChmViewerTest, NothingOnPathAndNothingRegisteredIsNoViewer)
{
    ExternalChmViewer viewer;
    EXPECT_FALSE(viewer.Available());
}

TEST_F(ExternalChmViewerTest, XchmOpensTheFileOnceAndIsClosedAtTheEnd)
{
    viewer("xchm");
    ExternalChmViewer chm;
    ASSERT_TRUE(chm.Available());
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 1; }));
    // Pressed again while it is open: no second window.
    chm.DisplayTableOfContents(help);
    chm.CloseAll();
    EXPECT_EQ(logged(), QStringList({help}));
    // Closed, so the next request opens it anew.
    chm.DisplayTableOfContents(help);
    ASSERT_TRUE(WaitUntil([&] { return logged().size() == 2; }));
}

TEST_F(ExternalChmViewerTest, TheRegisteredDefaultApplicationComesFirst)
{
    viewer("xchm");
    viewer("chmshow");
    writeFile(dir.filePath("bin/xdg-mime"), "#!/bin/sh\necho chmshow.desktop\n", true);
    writeFile(dir.filePath("data/applications/chmshow.desktop"),
              "[Desktop Entry]\nType=Application\nName=CHM\nExec=chmshow --toc %f %i\n");
    ExternalChmViewer chm;
    EXPECT_EQ(chm.Command(), QStringList({dir.filePath("bin/chmshow"), "--toc", "%f"}));
}

} // namespace
