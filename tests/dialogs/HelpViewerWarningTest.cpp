#include "dialogs/HelpViewerWarning.h"

#include <gtest/gtest.h>

TEST(HelpViewerWarning, SaysWhatIsMissingAndWhatToInstall)
{
    const auto box = MakeHelpViewerWarning();
    EXPECT_EQ(box->windowTitle(), "Warning!");
    EXPECT_EQ(box->text(),
              "Unable to view HTML help (*.chm). Update windows help system. Get new \"HHCTRL.OCX\" library.");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_TRUE(box->informativeText().contains("xchm"));
}

TEST(HelpViewerWarning, ARequestsWarningBelongsToTheOperatorsWindowAndStaysAboveIt)
{
    QWidget operatorWindow(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    const auto box = MakeHelpViewerWarning(&operatorWindow);
    EXPECT_EQ(box->parentWidget(), &operatorWindow);
    EXPECT_TRUE(box->isWindow());
}
