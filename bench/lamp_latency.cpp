// Prints how long a change of the count takes to reach the stop lamp's
// lines on a simulated port: from the change (F4 or F5) until DTR has
// switched, the whole program listening (windows, journal, feed publisher,
// the lamp's report in the journal). As yardstick, interleaved with it, a
// change of the count that leaves the lamp as it is: the ratio is what the
// lamp adds. One figure per line: "name = value unit". Runs offscreen.
#include "app/PontraApplication.h"
#include "serial/SimulatedSerialPorts.h"

#include "support/MemorySettingsStore.h"

#include "Spread.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 20000;
constexpr int kBarriersPort = 2;
constexpr int kLampPort = 3;

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MemorySettingsStore settings;
    settings.keyExists = true;
    // Capacity 2: 0 → 1 leaves the lamp green, 1 → 2 turns it red.
    settings.values = {{QStringLiteral("Port"), kBarriersPort},
                       {QStringLiteral("MaxCounter"), 2},
                       {QStringLiteral("LampPort"), kLampPort}};
    SimulatedSerialPorts lines({kBarriersPort, kLampPort});
    const QTemporaryDir data;
    PontraApplication pontra(MainWindowServices{
        .Settings = settings,
        .PortPresent = [&](int port) { return lines.IsPresent(port); },
        .ProgramPath = QStringLiteral("pontra"),
        .NewSerialDevice = lines.Factory(),
        .WarnNoHelpViewer = [] {},
        .JournalFile = data.filePath(QStringLiteral("journal.sqlite3")).toStdString(),
    });
    if (!lines.Dtr(kLampPort)) {
        std::fprintf(stderr, "the lamp's simulated port did not open on green\n");
        return 1;
    }

    const auto timed = [&](HallSource source) {
        const auto start = Clock::now();
        pontra.hall.Apply({.source = source, .time = std::chrono::system_clock::now()});
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    std::vector<double> lamp;
    std::vector<double> yardstick;
    int wrong = 0;
    for (int round = 0; round < kRounds; ++round) {
        yardstick.push_back(timed(HallSource::In)); // 1: green
        lamp.push_back(timed(HallSource::In));      // 2: red
        wrong += lines.Dtr(kLampPort) ? 1 : 0;
        lamp.push_back(timed(HallSource::Out));     // 1: green again
        wrong += lines.Dtr(kLampPort) ? 0 : 1;
        yardstick.push_back(timed(HallSource::Out)); // 0
        // The GUI thread's own work in between, as in the program.
        QCoreApplication::processEvents();
    }

    std::printf("samples = %zu lamp changes, %zu yardstick changes\n", lamp.size(), yardstick.size());
    std::printf("lamp_lines_wrong = %d\n", wrong);
    PrintSpread("count_to_lamp_line", lamp, "ms");
    PrintSpread("count_without_lamp_change", yardstick, "ms");
    std::printf("ratio_median = %.2f\nratio_p99 = %.2f\n", Percentile(lamp, 0.5) / Percentile(yardstick, 0.5),
                Percentile(lamp, 0.99) / Percentile(yardstick, 0.99));
    return wrong == 0 ? 0 : 1;
}
