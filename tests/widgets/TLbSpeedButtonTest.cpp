#include "widgets/TLbSpeedButton.h"

#include "support/Printers.h"
#include "support/Wait.h"

#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QMenu>
#include <QTest>

#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

void Enter(TLbSpeedButton *button)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(button, &event);
}

void Leave(TLbSpeedButton *button)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(button, &event);
}

// A bold hot font, told apart from the normal one by Face().Font.bold().
void UseBoldHotFont(TLbSpeedButton *button)
{
    QFont hot = button->font();
    hot.setBold(true);
    button->SetHotTrackFont(hot);
    button->SetUseHotTrackFont(true);
}

// Notes what every paint showed.
class RecordingButton : public TLbSpeedButton {
public:
    using TLbSpeedButton::TLbSpeedButton;
    std::vector<int> painted;
    std::vector<bool> paintedHotFont;
    std::vector<bool> paintedDown;

    void ForgetPaints()
    {
        QApplication::processEvents();
        painted.clear();
        paintedHotFont.clear();
        paintedDown.clear();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        painted.push_back(FadeLevel());
        paintedHotFont.push_back(Face().Font.bold());
        paintedDown.push_back(Face().Down);
        TLbSpeedButton::paintEvent(event);
    }
};

class TLbSpeedButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFont windowFont(QStringLiteral("Liberation Sans"));
        windowFont.setPixelSize(13);
        window.setFont(windowFont);
        window.resize(400, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A shown button counting its clicks, and whether it was down then.
    RecordingButton *AddButton(int groupIndex = 0, int x = 10)
    {
        auto *button = new RecordingButton(&window);
        button->move(x, 10);
        button->SetGroupIndex(groupIndex);
        button->show();
        QObject::connect(button, &TLbSpeedButton::clicked, button, [this, button] {
            clicks.push_back(button);
            downWhileClicked.push_back(button->Down());
        });
        return button;
    }

    QWidget window;
    std::vector<TLbSpeedButton *> clicks;
    std::vector<bool> downWhileClicked;
};

} // namespace

TEST_F(TLbSpeedButtonTest, PresetsAndGlyphStripsSetWhatTheyImply)
{
    TLbSpeedButton button(&window);
    button.SetColorStyle(lcsGold);
    EXPECT_EQ(button.ColorStyle(), lcsCustom);
    EXPECT_EQ(button.Color(), 0x00C0C0u);
    EXPECT_EQ(button.Style(), bsModern);
    EXPECT_EQ(button.HotTrackColor(), 0x00DFDFu);
    button.SetColorStyle(lcsQuicken);
    EXPECT_EQ(button.Style(), bsQuicken);
    button.SetColorStyle(lcsCustom);
    EXPECT_EQ(button.Style(), bsQuicken);

    button.SetGlyph(QImage(64, 16, QImage::Format_ARGB32));
    EXPECT_EQ(button.NumGlyphs(), 4);
    button.SetGlyph(QImage());
    EXPECT_EQ(button.NumGlyphs(), 0);
}

TEST_F(TLbSpeedButtonTest, HotTrackingWithoutFadeEndsAtOnce)
{
    TLbSpeedButton *button = AddButton();
    int entered = 0, exited = 0;
    QObject::connect(button, &TLbSpeedButton::MouseEnter, [&] { ++entered; });
    QObject::connect(button, &TLbSpeedButton::MouseExit, [&] { ++exited; });
    EXPECT_EQ(button->HotTrackFont(), window.font());
    UseBoldHotFont(button);

    Enter(button);
    EXPECT_TRUE(button->MouseInside());
    EXPECT_EQ(button->FadeLevel(), 8);
    EXPECT_TRUE(button->Face().Font.bold());
    Leave(button);
    EXPECT_FALSE(button->MouseInside());
    EXPECT_EQ(button->FadeLevel(), 0);
    EXPECT_FALSE(button->Face().Font.bold());
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(exited, 1);

    button->setEnabled(false);
    Enter(button);
    EXPECT_FALSE(button->MouseInside());
    EXPECT_EQ(button->FadeLevel(), 0);
    EXPECT_EQ(entered, 1);
}

TEST_F(TLbSpeedButtonTest, SlowDeceaseFadesInEighthsThenParks)
{
    RecordingButton *button = AddButton();
    button->SetSlowDecease(true);
    UseBoldHotFont(button);
    Enter(button);
    button->ForgetPaints();

    Leave(button);
    EXPECT_EQ(button->FadeLevel(), 8);
    EXPECT_TRUE(button->painted.empty());
    ASSERT_TRUE(WaitUntil([&] { return button->FadeLevel() == 0; }));
    EXPECT_EQ(button->painted, (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(button->paintedHotFont, std::vector<bool>(8, false));
    // Parked: no more steps.
    EXPECT_FALSE(button->Fading());
    QCoreApplication::processEvents();
    EXPECT_EQ(button->painted.size(), 8u);
}

TEST_F(TLbSpeedButtonTest, EnteringHoldsTheFadeAndSwitchingItOffEndsIt)
{
    RecordingButton *button = AddButton();
    button->SetSlowDecease(true);
    Enter(button);
    Leave(button);
    ASSERT_TRUE(WaitUntil([&] { return button->FadeLevel() <= 6; }));
    Enter(button);
    EXPECT_FALSE(button->Fading());
    EXPECT_EQ(button->FadeLevel(), 8);

    Leave(button);
    ASSERT_TRUE(WaitUntil([&] { return button->FadeLevel() < 8; }));
    button->SetSlowDecease(false);
    EXPECT_EQ(button->FadeLevel(), 0);
    button->ForgetPaints();
    EXPECT_FALSE(button->Fading());
    QCoreApplication::processEvents();
    EXPECT_TRUE(button->painted.empty());
}

TEST_F(TLbSpeedButtonTest, DeletedWhileFadingStopsCleanly)
{
    TLbSpeedButton *button = AddButton();
    button->SetSlowDecease(true);
    Enter(button);
    Leave(button);
    ASSERT_TRUE(WaitUntil([&] { return button->FadeLevel() < 8; }));
    const QPointer<QTimer> pacer = button->findChild<QTimer *>();
    ASSERT_TRUE(pacer);
    delete button;
    EXPECT_FALSE(pacer);
    QCoreApplication::processEvents();
}

TEST_F(TLbSpeedButtonTest, LeftClickPressesAndReleasesInside)
{
    TLbSpeedButton *button = AddButton();
    for (const Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(button, other);
        EXPECT_FALSE(button->Down());
        QTest::mouseRelease(button, other);
    }
    EXPECT_TRUE(clicks.empty());

    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_TRUE(button->Down());
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(downWhileClicked, std::vector<bool>{true});

    // Released off the button: no click, but it comes up.
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(clicks.size(), 1u);

    // Through the window, so that Qt makes the second press a double-click.
    const QPoint at = button->mapTo(&window, QPoint(10, 10));
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks.size(), 3u);
}

TEST_F(TLbSpeedButtonTest, GroupedButtonsExcludeEachOther)
{
    TLbSpeedButton *a = AddButton(1, 10);
    TLbSpeedButton *b = AddButton(1, 120);
    TLbSpeedButton *other = AddButton(2, 230);
    other->SetDown(true);

    QTest::mouseClick(a, Qt::LeftButton);
    EXPECT_TRUE(a->Down());
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(other->Down());

    // Clicked again without AllowAllUp it stays down; with it, it comes up.
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_FALSE(b->Down());
    EXPECT_EQ(clicks.size(), 4u);

    // Two members down at once (group assigned late) still settle.
    a->SetGroupIndex(0);
    a->SetDown(true);
    b->SetDown(true);
    a->SetGroupIndex(1);
    a->SetDown(false);
    EXPECT_FALSE(a->Down());
    EXPECT_FALSE(b->Down());
}

TEST_F(TLbSpeedButtonTest, ClickWorksHiddenAndPopsTheMenuBelow)
{
    TLbSpeedButton *button = AddButton();
    button->hide();
    button->click();
    EXPECT_EQ(clicks.size(), 1u);

    button->show();
    QMenu menu;
    menu.addAction(QStringLiteral("Eins"));
    button->SetPopupMenu(&menu);
    button->click();
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), button->mapToGlobal(QPoint(0, button->height())));
    menu.close();
}

TEST_F(TLbSpeedButtonTest, AcceleratorClicksOnceWithAVisiblePress)
{
    RecordingButton *save = AddButton();
    save->SetCaption(QStringLiteral("&Save"));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    save->ForgetPaints();

    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(downWhileClicked, std::vector<bool>{true});
    EXPECT_EQ(save->paintedDown, (std::vector<bool>{true, false}));
    EXPECT_FALSE(save->Down());
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(clicks.size(), 2u);

    save->setEnabled(false);
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    save->setEnabled(true);
    save->hide();
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    save->show();
    save->SetCaption(QStringLiteral("Sa&ve"));
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 2u);
    QTest::keyClick(&window, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 3u);

    // A modal dialog in front keeps the window's accelerators quiet.
    QDialog dialog(&window);
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 3u);
}
