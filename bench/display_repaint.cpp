// Prints how long the public display takes to follow a change of the count:
// UpdateDisplay plus a full repaint, on a Full HD and on a 4K monitor, each
// measured on the monitor it names (the size it measured on is printed);
// and the memory the display holds at rest on each, against the program's
// before it was made and the window's backing store. One figure per line:
// "name = value unit". Runs offscreen, each monitor in a process of its own
// so that one's memory does not count for the other.
#include "display/TFormMonitor2.h"
#include "hall/CounterState.h"

#include "widgets/TLabel3D.h"

#include <QLabel>

#include <QApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>
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

// The process's resident memory in MB.
double ResidentMb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Lets the event loop handle whatever is pending, such as deferred deletes.
void Settle()
{
    for (int turn = 0; turn < 5; ++turn) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    constexpr std::pair<int, const char *> kMonitors[] = {{0, "1920x1080"}, {1, "3840x2160"}};
    if (argc == 1) {
        // Each monitor in a fresh process.
        for (const auto &[monitor, name] : kMonitors) {
            QProcess row;
            row.setProcessChannelMode(QProcess::ForwardedChannels);
            row.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--monitor"), QString::number(monitor)});
            if (!row.waitForFinished(-1) || row.exitStatus() != QProcess::NormalExit || row.exitCode() != 0)
                return 1;
        }
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "--monitor") != 0)
        return 2;
    const int monitor = std::atoi(argv[2]);
    const char *name = kMonitors[monitor == 1].second;

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
    Settle();
    const double idleMb = ResidentMb();

    CounterState state;
    state.MaxCounter = 150;
    state.MonitorIndex = monitor;
    // Chosen, or the display would take the first monitor free of the operator's window.
    state.MonitorChosen = true;
    TFormMonitor2 display(state);
    PaintCounter counter;
    display.Label3D1->installEventFilter(&counter);
    display.LabelMax->installEventFilter(&counter);
    display.show();
    while (!display.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    display.repaint();
    Settle();
    const double shownMb = ResidentMb();
    const QSize size = display.size();

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
    // The stop picture, made on a thread of its own, in place; then back to
    // the welcome screen, at rest.
    while (display.ImageStop->pixmap().isNull())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.VisitorCount = 10;
    display.UpdateDisplay();
    display.repaint();
    Settle();
    const double restMb = ResidentMb();
    // PONTRA_BENCH_PICTURE=x.png saves the welcome and, as x.png-stop.png, the stop screen.
    if (qEnvironmentVariableIsSet("PONTRA_BENCH_PICTURE")) {
        const QString file = qEnvironmentVariable("PONTRA_BENCH_PICTURE");
        display.grab().save(file);
        state.VisitorCount = state.MaxCounter;
        display.UpdateDisplay();
        while (display.ImageStop->pixmap().isNull())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        display.grab().save(file + QStringLiteral("-stop.png"));
    }

    const double backingStoreMb = size.width() * size.height() * 4 / 1e6;
    std::printf("display_%s_measured_on = %dx%d\n", name, size.width(), size.height());
    std::printf("display_update_repaint_%s_median = %.2f ms\n", name, median(all));
    std::printf("display_update_repaint_%s_welcome_median = %.2f ms\n", name, median(welcome));
    std::printf("display_update_repaint_%s_max = %.2f ms\n", name, *std::max_element(all.begin(), all.end()));
    std::printf("display_%s_memory_shown = idle + %.1f MB (backing store %.1f MB)\n", name, shownMb - idleMb,
                backingStoreMb);
    std::printf("display_%s_memory_at_rest = idle + %.1f MB (goal: idle + backing store + 10 MB = idle + %.1f MB)\n",
                name, restMb - idleMb, backingStoreMb + 10);
    return 0;
}
