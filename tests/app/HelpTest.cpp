#include "support/TestApplication.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The program placed in dir, with its help file beside it.
void PlaceWithHelpFile(TestApplication &test, const QTemporaryDir &dir)
{
    QFile chm(dir.filePath("pontra.chm"));
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    test.programPath = dir.filePath("pontra");
}

TEST(Help, F1OpensTheContentsOfTheFileBesideTheProgram)
{
    QTemporaryDir dir;
    TestApplication test;
    PlaceWithHelpFile(test, dir);
    test.Start();
    test.main().Help1->trigger();
    EXPECT_EQ(test.help->Shown, QStringList({dir.filePath("pontra.chm")}));
    EXPECT_TRUE(test.helpWarnings.isEmpty());
    test.Stop();
    EXPECT_EQ(test.help->CloseAlls, 1);
}

TEST(Help, WithoutTheFileF1DoesNothing)
{
    TestApplication test;
    test.Start();
    test.main().bF1Click();
    EXPECT_TRUE(test.help->Shown.isEmpty());
}

TEST(Help, WithoutAViewerTheWarningComesBeforeTheMainWindowAndTheProgramRuns)
{
    TestApplication test;
    test.help->Available = false;
    test.Start();
    EXPECT_EQ(test.helpWarnings, QStringList({"before the main window"}));
    ASSERT_NE(test.app().forms.FormMain, nullptr);
    test.main().bInClick();
    EXPECT_EQ(test.state().VisitorCount, 1);
}

TEST(Help, WithoutAViewerF1WarnsAgain)
{
    QTemporaryDir dir;
    TestApplication test;
    PlaceWithHelpFile(test, dir);
    test.help->Available = false;
    test.Start();
    test.main().Help1->trigger();
    EXPECT_EQ(test.helpWarnings, QStringList({"before the main window", "after the main window"}));
    EXPECT_TRUE(test.help->Shown.isEmpty());
}

} // namespace
