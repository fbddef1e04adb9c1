#include "display/ArtworkMaker.h"
#include "display/TFormMonitor2.h"
#include "hall/CounterState.h"
#include "support/Printers.h"
#include "support/Wait.h"
#include "widgets/TLabel3D.h"

#include <QLabel>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

class DisplayTest : public ::testing::Test {
protected:
    void TearDown() override { display.close(); }

    // Sets the count and capacity and brings the display in line.
    void show(int count, int capacity)
    {
        state.VisitorCount = count;
        state.MaxCounter = capacity;
        display.UpdateDisplay();
    }

    bool stopScreen() const
    {
        const bool stop = !display.ImageStop->isHidden();
        // Exactly one of the two screens is up.
        EXPECT_EQ(!display.LabelMax->isHidden(), stop);
        EXPECT_EQ(display.Label3D1->isHidden(), stop);
        return stop;
    }

    CounterState state;
    TFormMonitor2 display{state};
    QWidget tvAus;
    QWidget tvEin;
};

TEST_F(DisplayTest, TheWelcomeScreenNamesTheNextVisitorAndTheCapacity)
{
    show(4, 50);
    EXPECT_FALSE(stopScreen());
    EXPECT_EQ(display.Label3D1->Caption(),
              "Herzlich Willkommen!\r\n\r\nSie sind der 5.\r\nBesucher von 50 in der Halle.");

    show(49, 50);
    EXPECT_FALSE(stopScreen());
    EXPECT_TRUE(display.Label3D1->Caption().contains("Sie sind der 50.\r\n"));
}

TEST_F(DisplayTest, TheStopScreenComesAtTheCapacityAndStaysAboveIt)
{
    show(50, 50);
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(display.LabelMax->Caption(), "\r\n\r\n\r\nMax. 50");

    // The capacity lowered below the count: the stop screen shows the new one.
    show(50, 20);
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(display.LabelMax->Caption(), "\r\n\r\n\r\nMax. 20");
    // Both captions follow every call, whichever screen is up.
    EXPECT_TRUE(display.Label3D1->Caption().contains("Sie sind der 51."));

    show(19, 20);
    EXPECT_FALSE(stopScreen());
    EXPECT_TRUE(display.Label3D1->Caption().contains("Sie sind der 20."));
}

TEST_F(DisplayTest, ACapacityOfZeroOrLessStopsAtOnce)
{
    show(0, 0);
    EXPECT_TRUE(stopScreen());
    show(0, -3);
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(display.LabelMax->Caption(), "\r\n\r\n\r\nMax. -3");
    EXPECT_TRUE(display.Label3D1->Caption().contains("Besucher von -3 in der Halle."));
}

TEST_F(DisplayTest, NumbersAtTheEdgesOfTheRangeAreWrittenInFull)
{
    show(INT32_MAX, INT32_MAX);
    EXPECT_TRUE(display.Label3D1->Caption().contains("Sie sind der 2147483648."));
    show(-7, 1);
    EXPECT_TRUE(display.Label3D1->Caption().contains("Sie sind der -6."));
}

TEST_F(DisplayTest, ShowingAndClosingSwitchTheTvPictures)
{
    display.SetTVSwitch(&tvAus, &tvEin);
    tvEin.hide();
    display.show();
    EXPECT_TRUE(tvAus.isHidden());
    EXPECT_FALSE(tvEin.isHidden());
    display.close();
    EXPECT_FALSE(display.isVisible());
    EXPECT_FALSE(tvAus.isHidden());
    EXPECT_TRUE(tvEin.isHidden());
}

TEST_F(DisplayTest, ItCoversTheChosenMonitorWithTextSizedToIt)
{
    state.MonitorIndex = 0;
    state.MonitorChosen = true;
    display.show();
    EXPECT_EQ(display.geometry(), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(display.Label3D1->font().pointSize(), 108);
    EXPECT_EQ(display.LabelMax->font().pointSize(), 108);
    EXPECT_EQ(QFontInfo(display.Label3D1->font()).pixelSize(), 144);
    EXPECT_EQ(display.Label3D1->geometry(), display.rect());
    display.close();

    state.MonitorIndex = 1;
    display.show();
    EXPECT_EQ(display.geometry(), QRect(1920, 0, 1680, 1050));
    EXPECT_LE(display.Label3D1->font().pointSize(), 105);
    EXPECT_EQ(display.LabelMax->font().pointSize(), display.Label3D1->font().pointSize());
}

// The lines the label's caption takes at a width, its own by default, laid
// out by Qt itself.
int wrappedLines(const TLabel3D &label, int pointSize, int width = -1)
{
    QFont font = label.font();
    font.setPointSize(pointSize);
    QString text = label.Caption();
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    QTextLayout layout(text, QFont(font, &label));
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width < 0 ? label.width() : width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

TEST_F(DisplayTest, TheWelcomeStaysFourLinesOnEveryMonitorAndForEveryCapacity)
{
    state.MonitorChosen = true;
    for (int monitor : {0, 1}) {
        state.MonitorIndex = monitor;
        display.show();
        for (int capacity : {5, 300, 99999}) {
            SCOPED_TRACE(testing::Message() << "monitor " << monitor << ", capacity " << capacity);
            show(capacity - 1, capacity);
            const int size = display.Label3D1->font().pointSize();
            EXPECT_EQ(wrappedLines(*display.Label3D1, size), 4);
            // The height rule, or the largest size below it that keeps four.
            EXPECT_LE(size, display.height() / 10);
            if (size < display.height() / 10) {
                EXPECT_GT(wrappedLines(*display.Label3D1, size + 1), 4);
            }
            EXPECT_EQ(display.LabelMax->font().pointSize(), size);
        }
        display.close();
    }
}

// The amber frame's thickness, read off the picture from its left edge.
int amberFrame(const QImage &picture)
{
    const QRgb amber = ToQColor(TFormMonitor2::kNearlyFullColour).rgb();
    int x = 0;
    while (x < picture.width() && picture.pixel(x, picture.height() / 2) == amber)
        ++x;
    return x;
}

TEST_F(DisplayTest, NearlyFullIsAmberWithThePlacesLeftExactlyFromTheShareToOneBelowTheCapacity)
{
    for (int capacity : {1, 5, 10, 99999}) {
        for (int percent : {1, 80, 99}) {
            display.SetOccupancyWarning(percent, false);
            const int from = (capacity * percent + 99) / 100;
            for (int count : {0, from - 1, from, capacity - 1, capacity}) {
                if (count < 0)
                    continue;
                SCOPED_TRACE(testing::Message() << count << " of " << capacity << " at " << percent << " %");
                show(count, capacity);
                const bool amber = count >= from && count < capacity;
                EXPECT_EQ(stopScreen(), count >= capacity);
                EXPECT_EQ(display.Label3D1->FontColor() == TFormMonitor2::kNearlyFullColour, amber);
                EXPECT_EQ(display.Label3D1->Caption().endsWith(" frei."), amber);
            }
        }
    }
}

TEST_F(DisplayTest, TheAmberFrameAndLineComeAndGoWithoutATrace)
{
    state.MonitorChosen = true;
    display.show();
    show(7, 10);
    const QImage before = display.grab().toImage();

    display.SetOccupancyWarning(80, false);
    EXPECT_EQ(display.grab().toImage(), before);
    show(8, 10);
    EXPECT_EQ(display.Label3D1->Caption(),
              "Herzlich Willkommen!\r\n\r\nSie sind der 9.\r\nBesucher von 10 in der Halle.\r\nNoch 2 Plätze frei.");
    EXPECT_GE(amberFrame(display.grab().toImage()), 40);
    show(9, 10);
    EXPECT_TRUE(display.Label3D1->Caption().endsWith("\r\nNoch 1 Platz frei."));
    show(10, 10);
    EXPECT_TRUE(stopScreen());
    EXPECT_EQ(amberFrame(display.grab().toImage()), 0);

    show(7, 10);
    EXPECT_EQ(display.grab().toImage(), before);

    // Places left at every count, without the amber.
    display.SetOccupancyWarning(0, true);
    EXPECT_TRUE(display.Label3D1->Caption().endsWith("\r\nNoch 3 Plätze frei."));
    EXPECT_EQ(display.Label3D1->FontColor(), clGreen);
    EXPECT_EQ(amberFrame(display.grab().toImage()), 0);
    show(10, 10);
    EXPECT_TRUE(stopScreen());
    EXPECT_FALSE(display.Label3D1->Caption().contains("frei"));
}

TEST_F(DisplayTest, TheFiveLinesFitInsideTheFrameOnEveryMonitorAndForEveryCapacity)
{
    state.MonitorChosen = true;
    for (int monitor : {0, 1}) {
        state.MonitorIndex = monitor;
        display.show();
        for (int capacity : {5, 300, 99999}) {
            for (bool amber : {true, false}) {
                SCOPED_TRACE(testing::Message() << "monitor " << monitor << ", capacity " << capacity
                                                << (amber ? ", amber" : ", places left"));
                display.SetOccupancyWarning(amber ? 1 : 0, !amber);
                show(amber ? capacity - 1 : 0, capacity);
                const int frame = amberFrame(display.grab().toImage());
                EXPECT_EQ(frame > 0, amber);
                const int size = display.Label3D1->font().pointSize();
                EXPECT_EQ(wrappedLines(*display.Label3D1, size, display.width() - 2 * frame), 5);
                EXPECT_LE(5 * QFontMetrics(display.Label3D1->font(), display.Label3D1).lineSpacing(),
                          display.height() - 2 * frame);
                EXPECT_LE(size, display.height() / 10);
                if (!amber && size < display.height() / 10) {
                    EXPECT_GT(wrappedLines(*display.Label3D1, size + 1), 5);
                }
            }
        }
        display.close();
    }
}

TEST_F(DisplayTest, WithoutAChosenMonitorItTakesOneOtherThanTheOperators)
{
    QWidget operatorWindow;
    display.SetOperatorWindow(&operatorWindow);
    operatorWindow.setGeometry(100, 100, 300, 200);
    operatorWindow.show();
    display.show();
    EXPECT_EQ(display.geometry(), QRect(1920, 0, 1680, 1050));
    display.close();

    operatorWindow.move(2500, 300);
    display.show();
    EXPECT_EQ(display.geometry(), QRect(0, 0, 1920, 1080));
}

TEST_F(DisplayTest, AMonitorNoLongerAttachedGivesThePrimaryOne)
{
    state.MonitorIndex = 5;
    state.MonitorChosen = true;
    display.show();
    EXPECT_EQ(display.geometry(), QRect(0, 0, 1920, 1080));
}

TEST_F(DisplayTest, UpdatesWhileHiddenShowAtTheNextShowing)
{
    state.MonitorChosen = true;
    show(10, 10);
    EXPECT_FALSE(display.isVisible());
    display.show();
    EXPECT_TRUE(stopScreen());
    // The stop sign keeps its proportions and fills the height.
    ASSERT_TRUE(WaitUntil([&] { return !display.ImageStop->pixmap().isNull(); }));
    const QSize sign = display.ImageStop->pixmap().size();
    EXPECT_EQ(sign.height(), 1080);
    EXPECT_NEAR(sign.width(), 1080 * 232 / 230, 1);

    // Held only while it shows, and made afresh for another monitor.
    show(9, 10);
    EXPECT_TRUE(display.ImageStop->pixmap().isNull());
    show(10, 10);
    state.MonitorIndex = 1;
    display.close();
    display.show();
    ASSERT_TRUE(WaitUntil([&] { return display.ImageStop->pixmap().height() == 1050; }));
    EXPECT_NEAR(display.ImageStop->pixmap().width(), 1050 * 232 / 230, 1);
}

} // namespace

TEST(ArtworkMaker, HandsOverOnlyThePictureAskedForLast)
{
    ArtworkMaker maker(QStringLiteral("stop_sign"));
    QList<QSize> made;
    QObject::connect(&maker, &ArtworkMaker::Ready, [&](const QPixmap &picture) { made << picture.size(); });
    maker.Make({464, 460});
    maker.Make({116, 115});
    ASSERT_TRUE(WaitUntil([&] { return !made.isEmpty(); }));
    // One asked for and dropped before it was done is not handed over.
    maker.Make({232, 230});
    maker.Drop();
    maker.Make({58, 57});
    ASSERT_TRUE(WaitUntil([&] { return made.size() == 2; }));
    EXPECT_EQ(made, QList<QSize>({{116, 115}, {58, 57}}));
}

TEST(DisplayActivation, AClickOnTheDisplayKeepsTheOperatorsWindowInFront)
{
    CounterState state;
    TFormMonitor2 display{state};
    QWidget operatorWindow;
    display.SetOperatorWindow(&operatorWindow);
    operatorWindow.show();
    display.show();
    display.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return operatorWindow.isActiveWindow(); }));

    // Hidden in the notification area it stays hidden; the display keeps the keys.
    operatorWindow.hide();
    display.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return display.isActiveWindow(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(operatorWindow.isHidden());
    EXPECT_TRUE(display.isActiveWindow());
}
