#include "widgets/TTrayIcon.h"

#include "support/RecordingNotificationArea.h"
#include "support/Wait.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/TImageList.h"

#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Kinds = QList<NotifyRequest>;

QPixmap filled(QColor colour)
{
    QPixmap picture(16, 16);
    picture.fill(colour);
    return picture;
}

// An icon on a recording notification area.
class TTrayIconTest : public ::testing::Test {
protected:
    std::shared_ptr<RecordingNotificationArea::Record> area = std::make_shared<RecordingNotificationArea::Record>();
    TTrayIcon icon{nullptr, std::make_unique<RecordingNotificationArea>(area)};
};

TEST_F(TTrayIconTest, SwitchingOnAddsOnceAndSwitchingOffWhenOffSendsNothing)
{
    icon.SetToolTip("Pontra 1.0");
    icon.SetActive(true);
    icon.SetActive(true);
    icon.SetActive(false);
    icon.SetActive(false);
    EXPECT_EQ(area->Kinds(), Kinds({NotifyRequest::Add, NotifyRequest::Delete}));
    const NotifyIconData &added = area->Requests.first().Data;
    EXPECT_EQ(added.Size, 88u);
    EXPECT_EQ(added.ID, 0u);
    EXPECT_EQ(added.Flags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(added.CallbackMessage, TNotifyWindow::RegisterWindowMessage("WM_TOOLTRAYICON"));
}

TEST_F(TTrayIconTest, IconAndTipSetWhileOffAreShownWhenSwitchedOn)
{
    const QString longTip(70, u'x');
    icon.SetToolTip(longTip);
    EXPECT_EQ(icon.ToolTip(), longTip.left(62));
    const QIcon red(filled(Qt::red));
    icon.SetIcon(red);
    EXPECT_TRUE(area->Requests.isEmpty());

    icon.SetActive(true);
    EXPECT_EQ(area->Icon.Tip, longTip.left(62));
    EXPECT_EQ(area->Icon.Icon.cacheKey(), red.cacheKey());
    icon.SetToolTip("Pontra");
    EXPECT_EQ(area->Requests.last().Kind, NotifyRequest::Modify);
    EXPECT_EQ(area->Requests.last().Data.Flags, NIF_ICON | NIF_TIP);
    EXPECT_EQ(area->Icon.Tip, "Pontra");
}

TEST_F(TTrayIconTest, AnEmptyIconBecomesTheApplicationsAndAnEmptyTipIsSentAgain)
{
    const QIcon application(filled(Qt::blue));
    QGuiApplication::setWindowIcon(application);
    icon.SetActive(true);
    QGuiApplication::setWindowIcon(QIcon());
    EXPECT_EQ(icon.Icon().cacheKey(), application.cacheKey());
    EXPECT_EQ(area->Kinds(), Kinds({NotifyRequest::Add}));
    ASSERT_TRUE(WaitUntil([&] { return area->Requests.size() == 2; }));
    EXPECT_EQ(area->Requests.last().Kind, NotifyRequest::Modify);
    EXPECT_EQ(area->Requests.last().Data.Flags, NIF_ICON | NIF_TIP);
}

TEST_F(TTrayIconTest, MouseMessagesRaiseTheirEvents)
{
    QStringList events;
    icon.OnClick = [&](QObject *sender) {
        EXPECT_EQ(sender, &icon);
        events << "click";
    };
    icon.OnDblClick = [&](QObject *) { events << "double"; };
    QMenu menu;
    menu.addAction("x");
    QObject::connect(&menu, &QMenu::aboutToShow, [&] {
        events << "menu";
        QTimer::singleShot(0, &menu, &QMenu::close);
    });
    icon.SetPopupMenu(&menu);
    icon.OnRightClick = [&](QObject *, Qt::MouseButton button, Qt::KeyboardModifiers shift, int, int) {
        EXPECT_EQ(button, Qt::RightButton);
        EXPECT_EQ(shift, Qt::NoModifier);
        events << "right";
    };
    icon.SetActive(true);
    for (std::uint32_t message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                                  WM_MBUTTONUP})
        area->Mouse(message);
    EXPECT_EQ(events, QStringList({"click", "double", "menu", "right"}));
}

TEST_F(TTrayIconTest, AnimationShowsTheImagesInTurnAndPutsTheIconBack)
{
    TImageList images;
    for (QColor colour : {Qt::red, Qt::green, Qt::blue})
        images.Add(filled(colour));
    const QIcon own(filled(Qt::black));
    icon.SetIcon(own);

    icon.SetImages(&images);
    icon.SetAnimate(true); // off: ignored
    EXPECT_FALSE(icon.Animate());
    icon.SetActive(true);
    icon.SetImages(nullptr);
    icon.SetAnimate(true); // no images: ignored
    EXPECT_FALSE(icon.Animate());

    icon.SetAnimateInterval(0);
    icon.SetAnimateInterval(-5);
    EXPECT_EQ(icon.AnimateInterval(), 100);
    icon.SetImages(&images);
    icon.SetAnimate(true);
    ASSERT_TRUE(icon.Animate());
    QList<int> shown;
    for (int step = 0; step < 4; ++step) {
        icon.AnimateStep();
        shown << icon.CurrentImage();
        EXPECT_EQ(area->Icon.Icon.pixmap(16).toImage().pixelColor(0, 0),
                  images.GetIcon(icon.CurrentImage()).pixmap(16).toImage().pixelColor(0, 0));
    }
    EXPECT_EQ(shown, QList<int>({1, 2, 0, 1}));
    // The timer goes on by itself.
    ASSERT_TRUE(WaitUntil([&] { return icon.CurrentImage() != 1; }));

    icon.SetAnimate(false);
    EXPECT_EQ(icon.Icon().cacheKey(), own.cacheKey());
    EXPECT_EQ(area->Icon.Icon.cacheKey(), own.cacheKey());
}

TEST_F(TTrayIconTest, AnImageListThatGoesStopsTheAnimation)
{
    auto images = std::make_unique<TImageList>();
    images->Add(filled(Qt::red));
    icon.SetActive(true);
    icon.SetImages(images.get());
    icon.SetAnimate(true);
    images.reset();
    EXPECT_FALSE(icon.Animate());
    EXPECT_EQ(icon.Images(), nullptr);
}

TEST_F(TTrayIconTest, MinimizeAppHidesTheMainWindowBehindTheIconAndDoubleClickRestores)
{
    QWidget main;
    ApplicationEvents::Instance().SetMainWindow(&main);
    main.show();
    icon.SetMinimizeApp(true);
    main.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return icon.Active(); }));
    EXPECT_TRUE(main.isHidden());
    EXPECT_TRUE(area->Shown);

    area->Mouse(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(icon.Active());
    EXPECT_FALSE(area->Shown);
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
    ApplicationEvents::Instance().SetMainWindow(nullptr);
}

} // namespace
