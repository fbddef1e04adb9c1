// Cost of one fade step and of one paint of a main-window sized button
// (90 x 35, gradient face, hot colour, bold 16 px caption).

#include "widgets/TLbSpeedButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRuns = 2000;

// Counts real paints, so a repaint that never happened cannot pass for a
// fast one.
class CountingButton : public TLbSpeedButton {
public:
    using TLbSpeedButton::TLbSpeedButton;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TLbSpeedButton::paintEvent(event);
    }
};

double Median(std::vector<double> values)
{
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Hot again at level 8; the fade timer this starts never fires, as the
// event loop does not run while measuring.
void EnterAndLeave(TLbSpeedButton *button)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(button, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    QWidget window;
    window.resize(200, 100);
    auto *button = new CountingButton(&window);
    button->setGeometry(10, 10, 90, 35);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    button->setFont(font);
    button->SetHotTrackFont(font);
    button->SetUseHotTrackFont(true);
    button->SetCaption(QStringLiteral("REIN"));
    button->SetAlignment(taCenter);
    button->SetColorStyle(lcsGold);
    button->SetStyle(bsModern);
    button->SetSlowDecease(true);
    window.show();
    QApplication::processEvents();

    std::vector<double> steps;
    std::vector<double> paints;
    steps.reserve(kRuns);
    paints.reserve(kRuns);
    QElapsedTimer clock;
    for (int run = 0; run < kRuns; ++run) {
        if (button->FadeLevel() == 0)
            EnterAndLeave(button);
        const int before = button->paints;
        clock.start();
        button->FadeStep();
        steps.push_back(clock.nsecsElapsed() / 1e6);
        clock.start();
        button->repaint();
        paints.push_back(clock.nsecsElapsed() / 1e6);
        if (button->paints != before + 2) {
            std::fprintf(stderr, "run %d: expected two synchronous paints, got %d\n", run, button->paints - before);
            return 1;
        }
    }

    std::printf("button_fade_step_median = %.4f ms\n", Median(steps));
    std::printf("button_paint_90x35_median = %.4f ms\n", Median(paints));
    return 0;
}
