#include "dialogs/TForm2.h"
#include "widgets/FittingComboBox.h"

#include "hall/CounterState.h"
#include "serial/SimulatedSerialPorts.h"
#include "serial/TComPort.h"
#include "widgets/TImage.h"
#include "widgets/TLbSpeedButton.h"
#include "widgets/TOwnerDrawComboBox.h"
#include "widgets/TSpinEdit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include <QFontMetrics>
#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

namespace {

std::uint64_t portSet(std::initializer_list<int> ports)
{
    std::uint64_t set = 0;
    for (int port : ports)
        set |= std::uint64_t{1} << (port - 1);
    return set;
}

// The dialog on the settings of a program whose port is simulated COM2.
class TForm2Test : public ::testing::Test {
protected:
    TForm2 &dialog(std::initializer_list<int> found = {1, 2, 12, 17}, int missing = 0)
    {
        state.AvailablePorts = portSet(found);
        form = std::make_unique<TForm2>(state, port, nullptr, missing);
        return *form;
    }

    // Shows the dialog modally, acts on it from inside, and gives the result value.
    int run(const std::function<void()> &inside)
    {
        QTimer::singleShot(0, form.get(), [&] {
            inside();
            if (form->isVisible())
                form->close();
        });
        form->exec();
        return form->ResultValue;
    }

    bool showsPicture(TImage *image, TImage *picture) { return image->Picture().cacheKey() == picture->Picture().cacheKey(); }

    CounterState state;
    SimulatedSerialPorts lines{{2}};
    TComPort port{nullptr, lines.Factory()};
    std::unique_ptr<TForm2> form;
};

TEST_F(TForm2Test, ThePortListHoldsTheFoundPortsWithTheirDevicesAndAMissingStoredOneMarked)
{
    TForm2 &settings = dialog({1, 2, 12, 17}, 5);
    QStringList items;
    for (int i = 0; i < settings.cbPort->count(); ++i)
        items << settings.cbPort->itemText(i);
    EXPECT_EQ(items, QStringList({"None", "COM1", "COM2", "COM5 (fehlt)", "COM12", "COM17"}));
    EXPECT_TRUE(settings.cbPort->isEnabled());
    EXPECT_EQ(settings.cbPort->itemData(5, Qt::ToolTipRole).toString(), "/dev/ttyUSB0");
    EXPECT_EQ(settings.cbPort->itemData(4, Qt::ToolTipRole).toString(), "/dev/ttyS11");
    EXPECT_EQ(settings.cbPort->itemData(3, Qt::ToolTipRole).toString(), "/dev/ttyS4: beim Start nicht gefunden oder belegt");
    EXPECT_FALSE(settings.cbPort->itemData(0, Qt::ToolTipRole).isValid());
    port.Port = 5;
    run([&] {
        EXPECT_EQ(settings.cbPort->currentIndex(), 3);
        EXPECT_EQ(settings.ChosenPort(), 5);
        // Closed, the list shows the mark too, in a font that fits it.
        const auto *list = qobject_cast<FittingComboBox *>(settings.cbPort);
        ASSERT_NE(list, nullptr);
        QStyleOptionComboBox option;
        option.initFrom(list);
        const int field =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
        EXPECT_GT(QFontMetrics(list->font()).horizontalAdvance("COM5 (fehlt)"), field);
        EXPECT_LE(QFontMetrics(list->FieldFont()).horizontalAdvance("COM5 (fehlt)"), field);
        settings.cbPort->setCurrentIndex(2);
        EXPECT_EQ(list->FieldFont(), list->font());
    });
}

TEST_F(TForm2Test, WithoutPortsOnlyNoneIsOfferedAndTheListIsDisabled)
{
    TForm2 &settings = dialog({});
    EXPECT_EQ(settings.cbPort->count(), 1);
    EXPECT_FALSE(settings.cbPort->isEnabled());
}

TEST_F(TForm2Test, ShowingLoadsTheSettingsAsTheyAreNow)
{
    TForm2 &settings = dialog();
    port.Port = 12;
    state.ContaktOut = true;
    state.MaxCounter = 1;
    state.MonitorIndex = 1;
    state.MonitorChosen = true;
    run([&] {
        EXPECT_EQ(settings.cbPort->currentText(), "COM12");
        EXPECT_EQ(settings.cbAlg1->currentIndex(), 0);
        EXPECT_EQ(settings.cbAlg2->currentIndex(), 1);
        EXPECT_EQ(settings.seCounter->Text(), "1");
        EXPECT_EQ(settings.cbMonitor->itemText(0), "1=(1920,1080)");
        EXPECT_EQ(settings.cbMonitor->itemText(1), "2=(1680,1050)");
        EXPECT_EQ(settings.cbMonitor->currentIndex(), 1);
        EXPECT_TRUE(settings.cbMonitor->isEnabled());
        // Nothing is open: no pictures.
        EXPECT_TRUE(settings.Image1->isHidden());
        EXPECT_TRUE(settings.Image2->isHidden());
    });

    port.Port = 5; // not found at start
    state.MonitorIndex = 2;
    state.MaxCounter = 100000;
    run([&] {
        EXPECT_EQ(settings.cbPort->currentText(), "None");
        // Shown as far as the field goes, given back as it was.
        EXPECT_EQ(settings.seCounter->Text(), "99999");
        EXPECT_EQ(settings.cbMonitor->currentText(), "3=(fehlt)");
        settings.btn_Save->click();
    });
    EXPECT_FALSE(settings.EditedCapacity());
    EXPECT_FALSE(settings.EditedMonitor());
}

TEST_F(TForm2Test, TheNowPicturesShowTheLinesOfTheOpenPort)
{
    TForm2 &settings = dialog();
    port.Port = 2;
    lines.SetLines(2, SerialDevice::MsDsrOn);
    port.Open();
    run([&] {
        EXPECT_FALSE(settings.Image1->isHidden());
        EXPECT_FALSE(settings.Image2->isHidden());
        EXPECT_TRUE(showsPicture(settings.Image1, settings.ImageOn));
        EXPECT_TRUE(showsPicture(settings.Image2, settings.ImageOff));
        // Choosing "None" hides them until another port is chosen.
        settings.cbPort->setFocus();
        QTest::keyClick(settings.cbPort, Qt::Key_Home);
        EXPECT_TRUE(settings.Image1->isHidden());
        QTest::keyClick(settings.cbPort, Qt::Key_Down);
        EXPECT_FALSE(settings.Image2->isHidden());
    });
}

// The green arrow of the state pictures, the only green in the lists.
int greenPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.green() > 80 && c.green() > 2 * c.red() && c.green() > 2 * c.blue();
        }
    }
    return count;
}

// The picture as a list draws it, over the list's background.
QImage onBackground(const QPixmap &picture, const QWidget &list)
{
    QImage image(picture.size(), QImage::Format_RGB32);
    image.fill(list.palette().color(QPalette::Base));
    QPainter(&image).drawPixmap(0, 0, picture);
    return image;
}

// A desktop theme's drop-down button, wider than Qt's own by some pixels.
class WiderDropDown : public QProxyStyle {
public:
    explicit WiderDropDown(int extra) : QProxyStyle(QStyleFactory::create("Fusion")), extra_(extra) {}
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
                         const QWidget *widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        if (control == CC_ComboBox && part == SC_ComboBoxEditField)
            rect.setRight(rect.right() - extra_);
        return rect;
    }

private:
    int extra_;
};

TEST_F(TForm2Test, TheClosedLevelListsShowTheirWholePicture)
{
    TForm2 &settings = dialog();
    // The arrow at the picture's right end would lie under the wider button.
    WiderDropDown style(20);
    settings.cbAlg1->setStyle(&style);
    run([&] {
        const int whole = greenPixels(onBackground(settings.ImageOff->Picture(), *settings.cbAlg1));
        ASSERT_GT(whole, 20);
        // Smaller, but all of it.
        EXPECT_GE(greenPixels(settings.cbAlg1->grab().toImage()), whole / 5);
    });
    settings.cbAlg1->setStyle(nullptr);
}

TEST_F(TForm2Test, SaveGivesOneAndReadsTheCapacityAsTyped)
{
    TForm2 &settings = dialog();
    EXPECT_EQ(run([&] {
                  ASSERT_TRUE(QTest::qWaitForWindowActive(&settings));
                  settings.seCounter->setFocus();
                  settings.seCounter->findChild<QLineEdit *>()->setText("0");
                  QTest::keyClick(&settings, Qt::Key_S, Qt::AltModifier);
              }),
              1);
    EXPECT_EQ(settings.seCounter->Value(), 0);
    EXPECT_EQ(run([&] {
                  QTest::keyClick(settings.seCounter, Qt::Key_Up);
                  settings.btn_Save->click();
              }),
              1);
    // Stepped up from the capacity shown, 5.
    EXPECT_EQ(settings.EditedCapacity(), 6);
    EXPECT_EQ(run([&] { settings.btn_Cansel->click(); }), 2);
    EXPECT_EQ(run([&] { settings.close(); }), 2);
    EXPECT_EQ(run([&] { QTest::keyClick(&settings, Qt::Key_Escape); }), 2);
}

} // namespace
