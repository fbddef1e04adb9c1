// Prints how long the public display takes to follow a change of the count:
// UpdateDisplay plus a full repaint, on a Full HD and on a 4K monitor. One
// figure per line: "name = value unit". Runs offscreen.
#include "display/TFormMonitor2.h"
#include "hall/CounterState.h"

#include "widgets/TLabel3D.h"

#include <QApplication>
#include <QWindow>
#include <QTemporaryFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kChanges = 200;

// Counts the paints of the display's parts, to be sure each repaint painted.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    // Two offscreen monitors: the first Full HD, the second 4K.
    QTemporaryFile screens;
    if (!screens.open())
        return 1;
    screens.write(R"({"screens":[
        {"name":"A-FULLHD","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1},
        {"name":"B-UHD","x":1920,"y":0,"width":3840,"height":2160,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);

    for (const auto &[monitor, name] : {std::pair{0, "1920x1080"}, std::pair{1, "3840x2160"}}) {
        CounterState state;
        state.MaxCounter = 150;
        state.MonitorIndex = monitor;
        TFormMonitor2 display(state);
        PaintCounter counter;
        display.Label3D1->installEventFilter(&counter);
        display.LabelMax->installEventFilter(&counter);
        display.show();
        while (!display.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        display.repaint();
        std::vector<double> welcome;
        std::vector<double> all;
        for (int change = 0; change < kChanges; ++change) {
            // Mostly welcome screens, crossing into the stop screen near the end.
            state.VisitorCount = change;
            const auto start = std::chrono::steady_clock::now();
            display.UpdateDisplay();
            display.repaint();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            all.push_back(ms);
            if (state.VisitorCount < state.MaxCounter)
                welcome.push_back(ms);
        }
        if (counter.paints < kChanges) {
            std::fprintf(stderr, "the display painted %d times for %d changes\n", counter.paints, kChanges);
            return 1;
        }
        std::printf("display_update_repaint_%s_median = %.2f ms\n", name, median(all));
        std::printf("display_update_repaint_%s_welcome_median = %.2f ms\n", name, median(welcome));
        std::printf("display_update_repaint_%s_max = %.2f ms\n", name, *std::max_element(all.begin(), all.end()));
    }
    return 0;
}
