#include "dialogs/TFDlgYesNo.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs the question, answering it from inside its modal loop.
int ask(TFDlgYesNo &dialog, std::function<void()> answer)
{
    QTimer::singleShot(0, &dialog, std::move(answer));
    return dialog.exec();
}

TEST(TFDlgYesNo, LooksAsDesigned)
{
    TFDlgYesNo dialog;
    EXPECT_EQ(dialog.size(), QSize(222, 94));
    EXPECT_EQ(dialog.OKBtn->text(), "Ja");
    EXPECT_EQ(dialog.CancelBtn->text(), "Nein");
    EXPECT_FALSE(dialog.OKBtn->isDefault());
    EXPECT_FALSE(dialog.CancelBtn->isDefault());
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dialog.Icon->pixmap().isNull());
}

TEST(TFDlgYesNo, ReturnAtFirstShowingAnswersJa)
{
    TFDlgYesNo dialog;
    EXPECT_EQ(ask(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); }), 6);
}

TEST(TFDlgYesNo, EscapeAndTheCloseButtonAnswerWithCancel)
{
    TFDlgYesNo dialog;
    EXPECT_EQ(ask(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); }), 2);
    EXPECT_EQ(ask(dialog, [&] { dialog.close(); }), 2);
    EXPECT_EQ(ask(dialog, [&] { dialog.CancelBtn->click(); }), 2);
}

TEST(TFDlgYesNo, EscapeAnswersNeinWhereverTheFocusIs)
{
    TFDlgYesNo dialog;
    EXPECT_EQ(ask(dialog,
                  [&] {
                      dialog.OKBtn->setFocus();
                      QTest::keyClick(dialog.OKBtn, Qt::Key_Escape);
                  }),
              2);
}

TEST(TFDlgYesNo, TheButtonLastUsedKeepsTheFocusForTheNextQuestion)
{
    TFDlgYesNo dialog;
    EXPECT_EQ(ask(dialog, [&] { QTest::mouseClick(dialog.CancelBtn, Qt::LeftButton); }), 2);
    bool cancelFocused = false;
    EXPECT_EQ(ask(dialog,
                  [&] {
                      cancelFocused = dialog.focusWidget() == dialog.CancelBtn;
                      QTest::keyClick(&dialog, Qt::Key_Return);
                  }),
              2);
    EXPECT_TRUE(cancelFocused);

    EXPECT_EQ(ask(dialog, [&] { QTest::mouseClick(dialog.OKBtn, Qt::LeftButton); }), 6);
    EXPECT_EQ(ask(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Enter); }), 6);
}

TEST(TFDlgYesNo, ALongQuestionWrapsInsideTheLabel)
{
    TFDlgYesNo dialog;
    dialog.Label1->setText("Wollen Sie das Programm wirklich beenden und alle Zählungen verwerfen?");
    EXPECT_TRUE(dialog.Label1->wordWrap());
    EXPECT_EQ(dialog.Label1->geometry(), QRect(40, 6, 169, 49));
    EXPECT_GT(dialog.Label1->heightForWidth(169), dialog.Label1->fontMetrics().height());
}

} // namespace
