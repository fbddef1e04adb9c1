// Prints how fast a light-barrier passage reaches the count, without and
// with a debounce time, how much of the GUI thread's own CPU time the line
// handler takes (from its entry to its return, apart from the hand-over),
// for counts of up to three digits and for four and five, with the journal
// writing, and how quiet the program's threads stay while nothing happens.
// One figure per line: "name = value unit". Runs offscreen on simulated
// serial ports.
#include "app/PontraApplication.h"
#include "serial/SimulatedSerialPorts.h"
#include "serial/TComPort.h"

#include "support/MemorySettingsStore.h"

#include "ContextSwitches.h"
#include "Spread.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Every count up to the largest five-digit one.
constexpr int kChanges = 99999;
// The counts below this have at most three digits.
constexpr int kFourDigits = 1000;
constexpr int kIdleSeconds = 5;

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * (values.size() - 1))];
}

// This thread's CPU time, in milliseconds.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MemorySettingsStore settings;
    SimulatedSerialPorts lines({2});
    const QTemporaryDir data;
    PontraApplication pontra(MainWindowServices{
        .Settings = settings,
        .PortPresent = [&](int port) { return lines.IsPresent(port); },
        .ProgramPath = QStringLiteral("pontra"),
        .NewSerialDevice = lines.Factory(),
        // Measures the lines only: no help, no warning about it.
        .WarnNoHelpViewer = [] {},
        .JournalFile = data.filePath(QStringLiteral("journal.sqlite3")).toStdString(),
    });
    TFormMain &main = *pontra.forms.FormMain;
    if (!main.ComPort->Connected()) {
        std::fprintf(stderr, "simulated port did not open\n");
        return 1;
    }

    // Each change of the entry line counts one visitor in (ContaktIn on: when
    // the line goes on; off: when it goes off), so every change is a count.
    std::mutex mutex;
    std::condition_variable counted;
    int handled = 0;
    // The handler's CPU time by the count it leads to (index 0 unused).
    std::vector<double> handlerCpu(kChanges + 1);
    main.ComPort->OnDSR = [&, original = main.ComPort->OnDSR](QObject *sender) {
        pontra.State.ContaktIn = main.ComPort->ModemStatus() & SerialDevice::MsDsrOn;
        const double entry = threadCpuMs();
        original(sender);
        const double cpu = threadCpuMs() - entry;
        if (const int count = pontra.hall.Count(); count > 0 && count <= kChanges)
            handlerCpu[static_cast<std::size_t>(count)] = cpu;
        {
            std::lock_guard lock(mutex);
            ++handled;
        }
        counted.notify_all();
    };

    std::vector<double> latencies;
    latencies.reserve(kChanges);
    QEventLoop loop;
    std::thread stimulus([&] {
        std::uint32_t status = 0;
        for (int i = 1; i <= kChanges; ++i) {
            status ^= SerialDevice::MsDsrOn;
            const auto start = Clock::now();
            lines.SetLines(2, status);
            std::unique_lock lock(mutex);
            counted.wait(lock, [&] { return handled >= i; });
            latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    stimulus.join();

    const bool allCounted = main.Label1->text() == QString::number(kChanges);
    std::printf("line_change_to_label_median = %.4f ms\n", percentile(latencies, 0.5));
    std::printf("line_change_to_label_p99 = %.4f ms\n", percentile(latencies, 0.99));
    std::printf("line_changes_counted = %s of %d\n", qPrintable(main.Label1->text()), kChanges);
    PrintSpread("handler_cpu_counts_1_999", {handlerCpu.begin() + 1, handlerCpu.begin() + kFourDigits}, "ms");
    PrintSpread("handler_cpu_counts_1000_99999", {handlerCpu.begin() + kFourDigits, handlerCpu.end()}, "ms");

    // Idle: the port stays open and nothing happens for a while.
    const auto before = ContextSwitches(QStringLiteral("self"));
    QTimer::singleShot(kIdleSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const auto after = ContextSwitches(QStringLiteral("self"));
    long total = 0;
    for (const auto &[name, count] : after) {
        const long wakeups = count - (before.count(name) ? before.at(name) : 0);
        total += wakeups;
        if (name.startsWith(QStringLiteral("pontra-wait")))
            std::printf("idle_wakeups_wait_thread = %ld per %d s\n", wakeups, kIdleSeconds);
    }
    std::printf("idle_wakeups_all_threads = %ld per %d s\n", total, kIdleSeconds);

    // With a debounce time a change counts once it held that long: how much
    // later than that the count comes.
    constexpr std::chrono::milliseconds kDebounce(20);
    constexpr int kPassages = 200;
    struct CountWatch : HallListener {
        std::mutex &mutex;
        std::condition_variable &counted;
        int changes = 0;
        CountWatch(std::mutex &m, std::condition_variable &c) : mutex(m), counted(c) {}
        void HallChanged(const HallChange &) override
        {
            {
                std::lock_guard lock(mutex);
                ++changes;
            }
            counted.notify_all();
        }
    } watch(mutex, counted);
    pontra.hall.AddListener(&watch);
    main.SetLineRules(kDebounce, std::chrono::seconds(30), 20);
    std::vector<double> delays;
    std::thread passages([&] {
        std::uint32_t status = lines.Lines(2);
        for (int i = 1; i <= kPassages; ++i) {
            status ^= SerialDevice::MsDsrOn;
            const auto start = Clock::now();
            lines.SetLines(2, status);
            std::unique_lock lock(mutex);
            counted.wait(lock, [&] { return watch.changes >= i; });
            delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start - kDebounce).count());
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    passages.join();
    pontra.hall.RemoveListener(&watch);
    std::printf("debounced_count_past_%lld_ms_median = %.4f ms\n", static_cast<long long>(kDebounce.count()),
                percentile(delays, 0.5));
    std::printf("debounced_count_past_%lld_ms_p99 = %.4f ms\n", static_cast<long long>(kDebounce.count()),
                percentile(delays, 0.99));
    std::printf("debounced_count_past_%lld_ms_min = %.4f ms\n", static_cast<long long>(kDebounce.count()),
                percentile(delays, 0.0));
    return allCounted ? 0 : 1;
}
