#include "widgets/TSpinEdit.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The capacity field of the settings dialog, focused in a window of its own.
class TSpinEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit = new TSpinEdit(&window);
        other = new QLineEdit(&window);
        other->move(0, 40);
        edit->SetMinValue(3);
        edit->SetMaxValue(999);
        edit->SetMaxLength(3);
        edit->SetValue(300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }

    void type(const QString &text)
    {
        edit->findChild<QLineEdit *>()->clear();
        QTest::keyClicks(edit, text);
    }

    QWidget window;
    TSpinEdit *edit;
    QLineEdit *other;
};

TEST_F(TSpinEditTest, OnlyDigitsSignsTheDecimalSeparatorAndControlKeysAreTyped)
{
    type("1a 2");
    EXPECT_EQ(edit->Text(), "12");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->Text(), "12");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->Text(), "1");
    type(QStringLiteral("+-") + QLocale().decimalPoint());
    EXPECT_EQ(edit->Text(), QStringLiteral("+-") + QLocale().decimalPoint());
    type("12345");
    EXPECT_EQ(edit->Text(), "123");
}

TEST_F(TSpinEditTest, ReadingTakesTheTextUnclampedAndAnythingElseAsTheLowerLimit)
{
    type("0");
    EXPECT_EQ(edit->Value(), 0);
    type("-5");
    EXPECT_EQ(edit->Value(), -5);
    // As pasted: the key filter does not stand in the way.
    for (const char *text : {"", "-", "+", "1.5", "1,5", "x"}) {
        edit->findChild<QLineEdit *>()->setText(text);
        EXPECT_EQ(edit->Value(), 3) << text;
    }
}

TEST_F(TSpinEditTest, SettingAndSteppingClampIntoTheLimits)
{
    edit->SetValue(1);
    EXPECT_EQ(edit->Text(), "3");
    edit->SetValue(5000);
    EXPECT_EQ(edit->Text(), "999");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->Value(), 999);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->Value(), 998);
    type("0");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->Value(), 3);
    type("");
    edit->stepBy(-1);
    EXPECT_EQ(edit->Value(), 3);
}

TEST_F(TSpinEditTest, LeavingForAnotherControlClampsButLosingTheWindowDoesNot)
{
    type("0");
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(edit, &deactivated);
    EXPECT_EQ(edit->Text(), "0");
    other->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(edit->Text(), "3");
    edit->setFocus();
    type("");
    other->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(edit->Text(), "3");
}

} // namespace
