#include "dialogs/ApplicationTitle.h"
#include "dialogs/TFormInfo.h"
#include "support/Printers.h"

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

TEST(TFormInfo, NamesTheProgramRightAlignedAtItsEdge)
{
    TFormInfo info;
    EXPECT_EQ(info.Label1->text(), ApplicationTitle());
    EXPECT_EQ(info.Label1->geometry().right() + 1, 196);
    EXPECT_EQ(info.LabelVer->geometry().right() + 1, 243);
    EXPECT_GE(info.LabelVer->width(), info.LabelVer->sizeHint().width());
    EXPECT_EQ(info.LabelVer->text(), "Version 1.0 (30.05.2014)");
    EXPECT_EQ(info.windowTitle(), "Information");
    EXPECT_EQ(info.size(), QSize(256, 401));
}

TEST(TFormInfo, OffersNoCloseButtonAndTakesNoFocus)
{
    TFormInfo info;
    EXPECT_FALSE(info.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(info.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(info.sOK->focusPolicy(), Qt::NoFocus);
}

TEST(TFormInfo, EinverstandenAndEscapeCloseItOtherKeysDoNot)
{
    TFormInfo info;
    bool stillOpen = false;
    QTimer::singleShot(0, &info, [&] {
        QTest::keyClick(&info, Qt::Key_Return);
        QTest::keyClick(&info, Qt::Key_A);
        stillOpen = info.isVisible();
        QTest::keyClick(&info, Qt::Key_Escape);
    });
    info.exec();
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(info.isVisible());

    QTimer::singleShot(0, &info, [&] { QTest::mouseClick(info.sOK, Qt::LeftButton); });
    info.exec();
    EXPECT_FALSE(info.isVisible());
}

} // namespace
