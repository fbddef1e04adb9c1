#include "support/TestApplication.h"

#include "dialogs/TFDlgYesNo.h"
#include "dialogs/TForm2.h"
#include "dialogs/TFormInfo.h"
#include "display/TFormMonitor2.h"
#include "widgets/Artwork.h"
#include "support/Wait.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The start builds no dialog and draws no picture: the windows it shows
// take theirs ready from the build, the display's stop sign waits for a
// full hall. Each dialog is built when first asked for, over the main
// window, and is the same one from then on, with what was written into it.
TEST(FirstUse, TheStartBuildsNoDialogAndDrawsNoPicture)
{
    const int drawnBefore = ArtworkDrawnAtRunTime();
    TestApplication test;
    test.Start();
    TFormMain &main = test.main();
    Forms &forms = test.app().forms;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    main.ImageTVAusClick();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(forms.FormMonitor2));
    EXPECT_EQ(ArtworkDrawnAtRunTime(), drawnBefore);
    EXPECT_FALSE(forms.Form2.IfMade());
    EXPECT_FALSE(forms.FDlgYesNo.IfMade());
    EXPECT_FALSE(forms.FormInfo.IfMade());
    EXPECT_FALSE(forms.FormAdvanced.IfMade());
    forms.FormMonitor2->close();

    TFormInfo *shown = nullptr;
    WhenIdle([&] {
        shown = qobject_cast<TFormInfo *>(QApplication::activeModalWidget());
        QTest::keyClick(shown, Qt::Key_Escape);
    });
    QTest::keyClick(&main, Qt::Key_F3);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown, forms.FormInfo.IfMade());
    EXPECT_EQ(shown->parentWidget(), &main);
    EXPECT_EQ(&forms.FormInfo(), shown);

    TFDlgYesNo &question = forms.FDlgYesNo();
    EXPECT_EQ(question.parentWidget(), &main);
    question.Label1->setText(QStringLiteral("Schon gefragt?"));
    EXPECT_EQ(forms.FDlgYesNo().Label1->text(), QStringLiteral("Schon gefragt?"));

    // The advanced dialog, built inside the settings dialog, tells the
    // link's state as it is now.
    QString linkState;
    test.EditAdvanced([&](TFormAdvanced &advanced) { linkState = advanced.lblLinkState->text(); });
    EXPECT_EQ(forms.Form2.IfMade()->parentWidget(), &main);
    EXPECT_EQ(linkState, QStringLiteral("Verbindung: keine; dieser Eingang zählt allein."));
    // Their pictures came ready too.
    EXPECT_EQ(ArtworkDrawnAtRunTime(), drawnBefore);
}

} // namespace
