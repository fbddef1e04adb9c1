#include "widgets/HelpViewerLink.h"

#include "support/RecordingHelpViewer.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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

TEST(HelpViewerLink, WithoutAViewerEachRequestWarnsAgainUntilOneIsInstalled)
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
        EXPECT_EQ(warnings, 2);
        // Without the file there is nothing to warn about.
        link.ShowTableOfContents({}, dir.filePath("missing.chm"));
        EXPECT_EQ(warnings, 2);
        EXPECT_TRUE(record->Shown.isEmpty());

        record->Available = true;
        link.ShowTableOfContents({}, dir.filePath("pontra.chm"));
        EXPECT_TRUE(link.Loaded());
        EXPECT_EQ(record->Shown, QStringList{dir.filePath("pontra.chm")});
    }
    EXPECT_EQ(record->CloseAlls, 1);
    EXPECT_EQ(warnings, 2);
}

TEST(HelpViewerLink, TheManualBesideTheProgramComesFirstThenThePackagesInShare)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin") && QDir(prefix.path()).mkpath("share/pontra"));
    const QString program = prefix.filePath("bin/pontra");
    const QString beside = prefix.filePath("bin/pontra.chm");
    const QString installed = prefix.filePath("share/pontra/pontra.chm");

    // Neither: the file beside the program, which F1 then finds missing.
    EXPECT_EQ(HelpViewerLink::ApplicationHelpFile(program), beside);
    writeFile(installed, "ITSF");
    EXPECT_EQ(HelpViewerLink::ApplicationHelpFile(program), installed);
    // A program under another name finds the package's manual too.
    EXPECT_EQ(HelpViewerLink::ApplicationHelpFile(prefix.filePath("bin/halle1")), installed);
    // A folder in the file's place is no manual.
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin/pontra.chm"));
    EXPECT_EQ(HelpViewerLink::ApplicationHelpFile(program), installed);
    ASSERT_TRUE(QDir(prefix.path()).rmdir("bin/pontra.chm"));
    writeFile(beside, "ITSF");
    EXPECT_EQ(HelpViewerLink::ApplicationHelpFile(program), beside);
}

} // namespace
